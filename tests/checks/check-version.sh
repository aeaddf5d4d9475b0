#!/bin/sh
# Checks the version resource of each Windows program:
#   check-version.sh OBJDUMP VERSION PRODUCT BIN_DIR PROGRAM...
# The .rsrc section, as `OBJDUMP -s -j .rsrc` shows it, must hold the fixed
# file information with VERSION's numbers as file and product version, and
# the UTF-16 texts FileVersion and ProductVersion = VERSION, ProductName =
# PRODUCT and OriginalFilename = PROGRAM.exe.
set -u
objdump=$1 version=$2 product=$3 bin=$4
shift 4
status=0

# The bytes of `text` as UTF-16LE, in hex.
utf16() {
  printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n' | sed 's/../&00/g'
}
# A 32-bit value as little-endian hex.
le32() {
  printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) \
    $(($1 >> 16 & 255)) $(($1 >> 24 & 255))
}
# Key and value of a String entry: the key and its zero, padding to four
# bytes, the value and its zero.
entry() {
  echo "$(utf16 "$1")0000(0000)?$(utf16 "$2")0000"
}

major=${version%%.*}
rest=${version#*.}
minor=${rest%%.*}
patch=${rest#*.}
# VS_FIXEDFILEINFO: signature, structure version, then file and product
# version as (major << 16 | minor, patch << 16 | build).
numbers="$(le32 $((major << 16 | minor)))$(le32 $((patch << 16)))"
fixed="bd04effe00000100$numbers$numbers"

for tool in "$@"; do
  exe=$bin/$tool.exe
  if ! dump=$($objdump -s -j .rsrc "$exe" 2>&1); then
    echo "FAIL $tool: no .rsrc section: $dump"
    status=1
    continue
  fi
  # The hex columns of the dump as one string.
  hex=$(echo "$dump" | awk '/^ [0-9a-f]+ / {
      sub(/^ [0-9a-f]+ /, ""); s = substr($0, 1, 35); gsub(/ /, "", s)
      printf "%s", s }')
  bad=0
  echo "$hex" | grep -q "$fixed" ||
    { echo "FAIL $tool: no fixed file information for $version"; bad=1; }
  for pair in "FileVersion=$version" "ProductVersion=$version" \
              "ProductName=$product" "OriginalFilename=$tool.exe"; do
    echo "$hex" | grep -Eq "$(entry "${pair%%=*}" "${pair#*=}")" ||
      { echo "FAIL $tool: no \"${pair%%=*}\" \"${pair#*=}\""; bad=1; }
  done
  [ $bad -eq 0 ] && echo "checked $tool.exe: version $version"
  [ $bad -eq 0 ] || status=1
done
exit $status
