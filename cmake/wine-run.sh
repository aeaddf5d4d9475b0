#!/bin/sh
# Runs a Windows program of the win64 build under wine64 with the build
# tree's private prefix: wine-run.sh STATE_DIR PROGRAM [ARGS...]
#
# The program's output goes through files: a Wine service that the program
# happens to start inherits its standard handles and would hold a pipe of
# the caller open until the server ends.
state=$1
shift
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$state/display" ]; then
  DISPLAY=$(cat "$state/display")
  export DISPLAY
fi
out=$(mktemp "${TMPDIR:-/tmp}/tk-wine-out.XXXXXX") || exit 125
err=$(mktemp "${TMPDIR:-/tmp}/tk-wine-err.XXXXXX") || exit 125
/usr/lib/wine/wine64 "$@" >"$out" 2>"$err"
rc=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $rc
