#!/bin/sh
# The four 32-bit deliverables run as their users run them, through
# qemu-i386 and Wine's 32-bit loader in the session of cmake/wine32-session.sh,
# in a directory on the prefix's drive C:
#   - tksub on the shipped example, its inputs under names with blanks
#     (so Wine quotes them on the command line that the program cuts):
#     report and target byte for byte as testdata/myresult.out and
#     myresult.asm hold them (tksub's driver test expects the same files),
#     then again over an existing target named ./sub\t.asm;
#   - deflib on a list, with `child` as the 32-bit stand-in librarian at
#     C:\tolvane\bin\link.exe, so that its real command line runs, then
#     again on lists/mylib.txt over existing outputs;
#   - timeinfo with its key from a file;
#   - jumptest in its window, driven by dialog_robot: Unused 4 and 5
#     pressed, a picture of the dialog taken, closed with Esc.
# Each output is compared byte for byte with the expected one.
#   win32_deliverables.sh BIN_DIR STATE_DIR PICTURE.png
set -u
bin=$1
state=$2
picture=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
data=$here/testdata
run="$root/cmake/wine32-run.sh"
drive_c="$state/prefix/drive_c"
work="$drive_c/tk-end-to-end"
status=0
fail() { printf 'FAIL: %s\n' "$*"; status=1; }
# same WHAT EXPECTED_FILE ACTUAL_FILE
same() {
  if cmp -s "$2" "$3"; then
    printf 'ok: %s\n' "$1"
  else
    fail "$1 differs"
    echo "--- expected"; od -c "$2" | head -20
    echo "--- got"; od -c "$3" | head -20
  fi
}
rm -rf "$work" "$drive_c/tolvane"
mkdir -p "$work"
cd "$work" || exit 1

# tksub
cp "$root/examples/myequate.equ" "my equate.equ"
cp "$root/examples/mysource.asm" "my source.asm"
sh "$run" "$state" "$bin/tksub.exe" "my equate.equ" "my source.asm" \
  myresult.asm >tksub.out 2>&1
rc=$?
[ $rc -eq 0 ] || fail "tksub: exit status $rc"
same "tksub report" "$data/myresult.out" tksub.out
same "tksub target" "$data/myresult.asm" myresult.asm
# Again over an existing target, named with ./, / and \ as scripts and
# makefiles hand names to Windows programs.
mkdir sub
printf 'stale' >sub/t.asm
sh "$run" "$state" "$bin/tksub.exe" "my equate.equ" "my source.asm" \
  './sub\t.asm' >tksub2.out 2>&1
rc=$?
[ $rc -eq 0 ] || fail "tksub over an existing ./sub\\t.asm: exit status $rc"
sed 's|myresult\.asm|./sub\\t.asm|' "$data/myresult.out" >tksub2.want
same "tksub report for ./sub\\t.asm" tksub2.want tksub2.out
same "tksub target ./sub\\t.asm replaced" "$data/myresult.asm" sub/t.asm

# deflib, with the stand-in at C:\tolvane\bin\link.exe
mkdir -p "$drive_c/tolvane/bin"
cp "$bin/child.exe" "$drive_c/tolvane/bin/link.exe"
printf 'printf\r\nputs\r\n' >mylib.txt
sh "$run" "$state" "$bin/deflib.exe" mylib.txt >deflib.out 2>&1
rc=$?
[ $rc -eq 0 ] || fail "deflib: exit status $rc"
printf 'stand-in librarian\r\n' >deflib.want
same "deflib console (the librarian's line only)" deflib.want deflib.out
same "mylib.def" "$data/mylib.def" mylib.def
same "mylib.inc" "$data/mylib.inc" mylib.inc
printf '%s\r\n' 'line: \tolvane\bin\link -lib /machine:ix86 /def:mylib.def' \
  'arg 1: -lib' 'arg 2: /machine:ix86' 'arg 3: /def:mylib.def' \
  'cwd: C:\tk-end-to-end' 'priority: 128' >record.want
same "the librarian's command line, directory and priority" record.want \
  link_record.txt
same "the librarian saw the whole .def file" "$data/mylib.def" seen.def
# Again, the list in a directory named with /, over existing outputs.
mkdir lists
cp mylib.txt lists/mylib.txt
printf 'stale' >lists/mylib.def
printf 'stale' >lists/mylib.inc
sh "$run" "$state" "$bin/deflib.exe" lists/mylib.txt >deflib2.out 2>&1
rc=$?
[ $rc -eq 0 ] || fail "deflib over existing lists/mylib.def: exit status $rc"
same "deflib console for lists/mylib.txt" deflib.want deflib2.out
same "lists/mylib.def replaced" "$data/mylib.def" lists/mylib.def
same "lists/mylib.inc replaced" "$data/mylib.inc" lists/mylib.inc
rm -rf "$drive_c/tolvane"

# timeinfo, its key from a file. The values change; the labels, the line
# ends and the seconds (taken between two readings of the host's clock)
# are checked.
printf 'k' >key
before=$(date +%s)
TZ=EST5EDT sh "$run" "$state" "$bin/timeinfo.exe" <key >timeinfo.out 2>&1
rc=$?
after=$(date +%s)
[ $rc -eq 0 ] || fail "timeinfo: exit status $rc"
perl -pe 's/^( [^:]+:\s+)[^\r\n]*/$1V/' timeinfo.out >timeinfo.labels
same "timeinfo report" "$data/timeinfo.labels" timeinfo.labels
seconds=$(sed -n 's/^ Time in seconds since UTC 1\/1\/1970: \([0-9]*\).*/\1/p' timeinfo.out)
if [ -n "$seconds" ] && [ "$seconds" -ge "$before" ] && [ "$seconds" -le "$after" ]; then
  echo "ok: timeinfo seconds $seconds"
else
  fail "timeinfo seconds '$seconds' not between $before and $after"
fi

# jumptest in its window
rm -f jumptest.bmp
sh "$run" "$state" "$bin/dialog_robot.exe" "$bin/jumptest.exe" jumptest.bmp \
  >jumptest.out 2>&1
rc=$?
[ $rc -eq 0 ] || fail "dialog_robot: exit status $rc"
same "jumptest driven from outside" "$data/jumptest.txt" jumptest.out
if [ -s jumptest.bmp ] && convert jumptest.bmp "$picture"; then
  echo "ok: picture $picture ($(identify -format '%wx%h' "$picture"))"
else
  fail "no picture of the dialog"
fi
cd "$state" && rm -rf "$work"
exit $status
