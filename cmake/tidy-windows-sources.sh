#!/bin/sh
# Runs clang-tidy (the command given) in a Windows tree on the sources whose
# code differs there: the Windows files (*win32*) and those that test
# _WIN32. Every other source compiles to the same code in the Linux trees,
# whose run of clang-tidy (native-asan) reads it already.
#   tidy-windows-sources.sh CLANG_TIDY [ARGS...] SOURCE [ARGS...] -- COMPILER...
source=
for arg; do
  [ "$arg" = -- ] && break
  case $arg in
    *.cc) source=$arg ;;
  esac
done
case $source in
  *win32*) ;;
  *) grep -q _WIN32 "$source" || exit 0 ;;
esac
exec "$@"
