#!/bin/sh
# The four 32-bit deliverables run as their users run them, through
# qemu-i386 and Wine's 32-bit loader in the session of cmake/wine32-session.sh,
# in a directory on the prefix's drive C:
#   - tksub on the shipped example, its inputs under names with blanks
#     (so Wine quotes them on the command line that the program cuts):
#     report and target byte for byte as testdata/myresult.out and
#     myresult.asm hold them (tksub's driver test expects the same files);
#   - deflib on a list, with `child` as the 32-bit stand-in librarian at
#     C:\tolvane\bin\link.exe, so that its real command line runs;
#   - timeinfo with its key from a file;
#   - jumptest in its window, driven by jumptest_driver: Unused 4 and 5
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
fail() { echo "FAIL: $*"; status=1; }
# same WHAT EXPECTED_FILE ACTUAL_FILE
same() {
  if cmp -s "$2" "$3"; then
    echo "ok: $1"
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
sh "$run" "$state" "$bin/jumptest_driver.exe" "$bin/jumptest.exe" jumptest.bmp \
  >jumptest.out 2>&1
rc=$?
[ $rc -eq 0 ] || fail "jumptest_driver: exit status $rc"
same "jumptest driven from outside" "$data/jumptest.txt" jumptest.out
if [ -s jumptest.bmp ] && convert jumptest.bmp "$picture"; then
  echo "ok: picture $picture ($(identify -format '%wx%h' "$picture"))"
else
  fail "no picture of the dialog"
fi
cd "$state" && rm -rf "$work"
exit $status
