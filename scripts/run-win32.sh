#!/bin/sh
# Runs one 32-bit Windows program by hand, through qemu-i386 and Wine's
# 32-bit loader, in the current directory:
#   sh scripts/run-win32.sh PROGRAM.exe [ARGS...]
# e.g. (in examples/)
#   sh ../scripts/run-win32.sh ../build/release/bin/tksub.exe myequate.equ mysource.asm myresult.asm
# The program's output shows as it comes, and it reads this terminal (the
# key that timeinfo.exe waits for). The first run makes a private prefix
# (about half a minute); later runs reuse it. Its state lives in the
# checkout's build/win32-run/ where build/ can be written, else in
# ${XDG_CACHE_HOME:-$HOME/.cache}/tk_kit/win32-run/. The session (Xvfb,
# wineserver, desktop) is brought up before the program and shut down after
# it, which ends every Wine process it started; the program's exit status is
# this script's.
set -u
[ $# -ge 1 ] || { echo "usage: run-win32.sh PROGRAM.exe [ARGS...]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
if mkdir -p "$root/build/win32-run" 2>/dev/null && [ -w "$root/build/win32-run" ]; then
  state=$root/build/win32-run
else
  state=${XDG_CACHE_HOME:-$HOME/.cache}/tk_kit/win32-run
  mkdir -p "$state" || exit 125
fi
# The 64-bit keeper that opens the session's desktop: the win32 build's
# own, else one made here.
keeper=$root/build/win32/desktop_keeper64.exe
if [ ! -f "$keeper" ]; then
  keeper=$state/desktop_keeper64.exe
  if [ ! -f "$keeper" ]; then
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || {
      echo "run-win32.sh: x86_64-w64-mingw32-g++-posix is missing (Debian package g++-mingw-w64-x86-64-posix; sh scripts/install-deps.sh)" >&2
      exit 125
    }
    x86_64-w64-mingw32-g++-posix -O2 -mwindows -static -o "$keeper" \
      "$root/tests/helpers/desktop_keeper_win32.cc" || exit 125
  fi
fi
sh "$root/cmake/wine32-session.sh" start "$state" "$keeper" || exit 125
status=0
sh "$root/cmake/wine32-run.sh" --direct "$state" "$@" || status=$?
sh "$root/cmake/wine32-session.sh" stop "$state"
exit $status
