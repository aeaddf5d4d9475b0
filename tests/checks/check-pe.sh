#!/bin/sh
# Checks the 32-bit Windows deliverables in BIN_DIR: each is there, is a PE32
# image for i386 with the expected subsystem and imports from no DLL but
# KERNEL32 and msvcrt (jumptest also USER32, GDI32 and COMCTL32).
# ALSO_REQUIRED names further files that BIN_DIR must hold.
#   check-pe.sh BIN_DIR [ALSO_REQUIRED...]
set -u
bin=$1
shift
objdump=i686-w64-mingw32-objdump
status=0
checked=0
for tool in tksub deflib timeinfo jumptest; do
  exe="$bin/$tool.exe"
  [ -f "$exe" ] || { echo "FAIL $tool.exe is missing"; status=1; continue; }
  checked=$((checked + 1))
  info=$($objdump -p "$exe") || { echo "FAIL $tool: objdump failed"; status=1; continue; }
  echo "$info" | grep -q 'file format pei-i386' || { echo "FAIL $tool: not pei-i386"; status=1; }
  echo "$info" | grep -Eq '^Magic[[:space:]]+010b' || { echo "FAIL $tool: not PE32 (magic 010b)"; status=1; }
  if [ "$tool" = jumptest ]; then
    want='(Windows GUI)'
    allowed='^(kernel32|msvcrt|user32|gdi32|comctl32)\.dll$'
  else
    want='(Windows CUI)'
    allowed='^(kernel32|msvcrt)\.dll$'
  fi
  echo "$info" | grep -E '^Subsystem' | grep -qF "$want" || { echo "FAIL $tool: subsystem is not $want"; status=1; }
  dlls=$(echo "$info" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $dlls; do
    echo "$dll" | grep -Eq "$allowed" || { echo "FAIL $tool: imports $dll"; status=1; }
  done
  echo "checked $tool.exe: PE32 i386 $want, imports: $(echo $dlls)"
done
for file in "$@"; do
  [ -f "$bin/$file" ] || { echo "FAIL $file was not built"; status=1; }
done
echo "$checked deliverables checked"
exit $status
