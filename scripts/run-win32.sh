#!/bin/sh
# Runs one 32-bit Windows program by hand, through qemu-i386 and Wine's
# 32-bit loader, in the current directory:
#   sh scripts/run-win32.sh PROGRAM.exe [ARGS...]
# e.g. (in examples/)
#   sh ../scripts/run-win32.sh ../build/win32/bin/tksub.exe myequate.equ mysource.asm myresult.asm
# The first run makes a private prefix under build/win32-run/ (about half a
# minute); later runs reuse it. The session (Xvfb, wineserver, desktop) is
# brought up before the program and shut down after it; the program's exit
# status is this script's.
set -u
[ $# -ge 1 ] || { echo "usage: run-win32.sh PROGRAM.exe [ARGS...]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
state=$root/build/win32-run
mkdir -p "$state"
# The 64-bit keeper that opens the session's desktop: the win32 build's
# own, else one made here.
keeper=$root/build/win32/desktop_keeper64.exe
if [ ! -f "$keeper" ]; then
  keeper=$state/desktop_keeper64.exe
  if [ ! -f "$keeper" ]; then
    x86_64-w64-mingw32-g++-posix -O2 -mwindows -static -o "$keeper" \
      "$root/tests/helpers/desktop_keeper_win32.cc" || exit 125
  fi
fi
sh "$root/cmake/wine32-session.sh" start "$state" "$keeper" || exit 125
status=0
sh "$root/cmake/wine32-run.sh" "$state" "$@" || status=$?
sh "$root/cmake/wine32-session.sh" stop "$state"
exit $status
