#!/bin/sh
# Checks the release archive of the 32-bit Windows build:
#   check-archive.sh CMAKE BUILD_DIR VERSION SOURCE_DIR PROGRAM_BUDGET ARCHIVE_BUDGET
# - BUILD_DIR/tk_kit-VERSION-win32.zip holds one folder of that name with
#   exactly the four programs, README.txt, the two examples and
#   SHA256SUMS.txt;
# - each program is PE32 for i386 with its subsystem and only system DLLs
#   (check-pe.sh), carries no debug section and no symbol table, and is at
#   most PROGRAM_BUDGET bytes; the archive is at most ARCHIVE_BUDGET bytes;
# - README.txt names VERSION, ends every line with CR LF, is plain ASCII
#   and speaks of the pair file, deflib's files, DEFLIB_LIBRARIAN and the
#   exit statuses;
# - the examples are those of SOURCE_DIR/examples, byte for byte;
# - SHA256SUMS.txt lists every other file once, with its SHA-256.
set -u
cmake=$1 build=$2 version=$3 src=$4 program_budget=$5 archive_budget=$6
objdump=i686-w64-mingw32-objdump
top=tk_kit-$version-win32
archive=$build/$top.zip
status=0
fail() {
  echo "FAIL $*"
  status=1
}

[ -f "$archive" ] || { echo "FAIL no archive $archive"; exit 1; }
work=$build/archive-check
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && "$cmake" -E tar xf "$archive") ||
  { echo "FAIL $archive cannot be unpacked"; exit 1; }

want="$top/
$top/README.txt
$top/SHA256SUMS.txt
$top/deflib.exe
$top/examples/
$top/examples/myequate.equ
$top/examples/mysource.asm
$top/jumptest.exe
$top/timeinfo.exe
$top/tksub.exe"
# Every entry, directories with a trailing slash.
have=$(cd "$work" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o \
  -printf '%P\n' | LC_ALL=C sort)
if [ "$have" != "$(echo "$want" | LC_ALL=C sort)" ]; then
  fail "the archive holds:"
  echo "$have"
fi
dir=$work/$top

sh "$(dirname "$0")/check-pe.sh" "$dir" || fail "check-pe.sh"
for tool in tksub deflib jumptest timeinfo; do
  exe=$dir/$tool.exe
  [ -f "$exe" ] || continue
  if $objdump -h "$exe" | grep -q ' \.debug'; then
    fail "$tool.exe has debug sections"
  fi
  $objdump -t "$exe" | grep -q 'no symbols' ||
    fail "$tool.exe has a symbol table"
  size=$(wc -c <"$exe")
  echo "$tool.exe: $size bytes (budget $program_budget)"
  [ "$size" -le "$program_budget" ] ||
    fail "$tool.exe is $size bytes, over its budget of $program_budget"
done
size=$(wc -c <"$archive")
echo "$top.zip: $size bytes (budget $archive_budget)"
[ "$size" -le "$archive_budget" ] ||
  fail "$top.zip is $size bytes, over its budget of $archive_budget"

readme=$dir/README.txt
grep -q "$version" "$readme" || fail "README.txt does not name $version"
# CR LF only: no line feed without its carriage return, the last line ended.
if awk '!/\r$/ { bad = 1 } END { exit !bad }' "$readme" ||
   [ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' \n')" != 0d0a ]; then
  fail "README.txt has lines that do not end with CR LF"
fi

# Plain ASCII, which every Windows code page shows alike, and the topics a
# user cannot do without.
if LC_ALL=C grep -q "$(printf '[\200-\377]')" "$readme"; then
  fail "README.txt holds bytes above 127"
fi
for topic in "exit line" "1 to 63 characters" "written beside the list" \
  DEFLIB_LIBRARIAN "Exit status"; do
  grep -qF "$topic" "$readme" || fail "README.txt says nothing of $topic"
done

for f in myequate.equ mysource.asm; do
  cmp -s "$dir/examples/$f" "$src/examples/$f" || fail "examples/$f differs"
done

sums=$dir/SHA256SUMS.txt
listed=$(sed 's/^[0-9a-f]\{64\}  //; s/\r$//' "$sums" | LC_ALL=C sort)
others=$(cd "$dir" && find . -type f ! -name SHA256SUMS.txt -printf '%P\n' |
  LC_ALL=C sort)
[ "$listed" = "$others" ] || fail "SHA256SUMS.txt lists: $listed"
(cd "$dir" && sha256sum --check --strict --quiet SHA256SUMS.txt) ||
  fail "SHA256SUMS.txt does not match the files"

[ $status -eq 0 ] && echo "$archive: $(echo "$have" | grep -vc '/$') files checked"
exit $status
