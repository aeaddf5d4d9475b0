#!/bin/sh
# Runs a 32-bit Windows program of the win32 build through qemu-i386 and
# Wine's 32-bit loader, in the session that wine32-session.sh brought up:
#   wine32-run.sh [--direct] STATE_DIR PROGRAM [ARGS...]
#
# The program's output goes through files: a Wine service that the program
# happens to start inherits its standard handles and would hold a pipe of
# the caller open until the server ends. With --direct it goes straight to
# this script's own output as it comes, for a caller that ends the session
# (and so every such service) right after the program.
direct=no
if [ "${1:-}" = --direct ]; then
  direct=yes
  shift
fi
state=$1
shift
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINESERVER=/usr/lib/wine/wineserver64
if [ -f "$state/display" ]; then
  DISPLAY=$(cat "$state/display")
  export DISPLAY
fi
loader="$state/loader/lib/wine"
if [ $direct = yes ]; then
  exec "$loader/wine-preloader" "$loader/wine.elf" "$@"
fi
out=$(mktemp "${TMPDIR:-/tmp}/tk-wine-out.XXXXXX") || exit 125
err=$(mktemp "${TMPDIR:-/tmp}/tk-wine-err.XXXXXX") || exit 125
"$loader/wine-preloader" "$loader/wine.elf" "$@" >"$out" 2>"$err"
rc=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $rc
