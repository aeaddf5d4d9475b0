#!/bin/sh
# Runs clang-tidy (the command given) in a Windows tree on the Windows
# sources only (*win32*: the platform files, the dialog, the Windows
# helpers). Every other source is read by the run of clang-tidy in the
# sanitizer tree (native-asan); the few Windows-only lines of the tests
# are compiled with the warnings as errors but not read again here.
#   tidy-windows-sources.sh CLANG_TIDY [ARGS...] SOURCE [ARGS...] -- COMPILER...
source=
for arg; do
  [ "$arg" = -- ] && break
  case $arg in
    *.cc) source=$arg ;;
  esac
done
case $source in
  *win32*) exec "$@" ;;
esac
exit 0
