#!/bin/sh
# Checks the machine code of tk::jumptest::jump_lookup in the 32-bit
# jumptest.exe: one unsigned comparison with 15, one branch past the table,
# one indirect jump through the table indexed by the index times 4, and
# nothing else that compares or calls (no chain of comparisons).
#   check-lookup-code.sh JUMPTEST_EXE
set -u
code=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$1" |
  sed -n '/<__ZN2tk8jumptest11jump_lookupEi>:$/,/^$/p')
[ -n "$code" ] || { echo "FAIL: tk::jumptest::jump_lookup not found in $1"; exit 1; }
echo "$code"
status=0
count() { echo "$code" | grep -cE "$1"; }
[ "$(count '[[:space:]]cmp[[:space:]]+\$0xf,')" -eq 1 ] || { echo "FAIL: not one cmp \$0xf"; status=1; }
[ "$(count '[[:space:]]ja[[:space:]]')" -eq 1 ] || { echo "FAIL: not one unsigned branch (ja)"; status=1; }
[ "$(count '[[:space:]]jmp[[:space:]]+\*0x[0-9a-f]+\(,%e[a-d]x,4\)')" -eq 1 ] ||
  { echo "FAIL: not one jmp *table(,index,4)"; status=1; }
[ "$(count '[[:space:]](cmp|test|call)')" -eq 1 ] || { echo "FAIL: other comparisons or calls"; status=1; }
[ $status -eq 0 ] && echo "ok: jump_lookup is one comparison and one indexed jump"
exit $status
