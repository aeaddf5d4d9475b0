#!/bin/sh
# Runs clang-tidy (the command given) in a Windows tree on the Windows
# sources only (*win32*: the platform files, the dialog, the Windows
# helpers). Every other source is read by the run of clang-tidy in the
# sanitizer tree (native-asan). A test program's sources are compiled as one
# unit (CMake's Unity/unity_*.cxx, which includes them): such a unit is read
# when it includes a Windows source.
#   tidy-windows-sources.sh CLANG_TIDY [ARGS...] SOURCE [ARGS...] -- COMPILER...
source=
for arg; do
  [ "$arg" = -- ] && break
  case $arg in
    *.cc | *.cxx) source=$arg ;;
  esac
done
case $source in
  */Unity/unity_*.cxx)
    if grep -q '^#include "[^"]*win32[^"/]*"$' "$source"; then
      exec "$@"
    fi
    ;;
  *win32*) exec "$@" ;;
esac
exit 0
