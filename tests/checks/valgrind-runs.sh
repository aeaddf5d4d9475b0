#!/bin/sh
# valgrind-runs.sh VALGRIND TOOL PROGRAM WORK_DIR: end-to-end runs of one
# native console tool (tksub, deflib or timeinfo) under Valgrind's memcheck,
# each in a fresh directory under WORK_DIR: usage, a normal run, bad and
# odd inputs. Fails on any memcheck error, any definite or indirect leak, an
# end by a signal, or a documented status that differs.
set -eu
valgrind=$1 tool=$2 program=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
runs=0

fail() {
  echo "valgrind-runs: $*" >&2
  exit 1
}

# scenario NAME: a fresh working directory for one run, in $d.
scenario() {
  d=$work/$1
  mkdir -p "$d"
}

# memcheck NAME STATUS STDIN ARGS...: runs the program in $work/NAME. A
# STATUS of "any" takes every status the program gives by itself (the
# bad-input tests assert the documented ones).
memcheck() {
  name=$1 want=$2 input=$3
  shift 3
  log=$work/$name.valgrind
  status=0
  (cd "$work/$name" &&
    "$valgrind" -q --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect \
      --show-leak-kinds=definite,indirect --log-file="$log" \
      "$program" "$@" <"$input" >"$work/$name.out" 2>&1) || status=$?
  if [ "$status" -eq 99 ] || [ -s "$log" ]; then
    cat "$log"
    fail "valgrind found errors or leaks in $name"
  fi
  if [ "$want" = any ]; then
    [ "$status" -lt 99 ] || fail "$name ended with status $status under valgrind"
  else
    [ "$status" -eq "$want" ] ||
      fail "$name ended with status $status under valgrind, not $want"
  fi
  runs=$((runs + 1))
}

no_input=$work/no-input
: >"$no_input"
crlf() { printf '%s\r\n' "$@"; }
# Every byte value from 0 to 255, 64 times over (16 KiB).
all_bytes() {
  i=0
  while [ $i -lt 256 ]; do
    # shellcheck disable=SC2059
    printf "\\$(printf %03o $i)"
    i=$((i + 1))
  done >"$work/bytes256"
  for _ in $(seq 64); do cat "$work/bytes256"; done
}

case $tool in
  tksub)
    scenario usage
    memcheck usage any "$no_input"
    scenario run
    crlf "CONST 10" "a = b" "name=other_name" "exit x" "not read" >"$d/pairs.equ"
    crlf "mov eax, CONST" "[a] (CONST) a.b \$a name" >"$d/source.asm"
    printf 'no line end a' >>"$d/source.asm"
    memcheck run 0 "$no_input" pairs.equ source.asm out.asm
    scenario pair-error
    crlf "a b" "a c" >"$d/pairs.equ"
    crlf "a" >"$d/source.asm"
    memcheck pair-error any "$no_input" pairs.equ source.asm out.asm
    scenario binary
    all_bytes >"$d/source.bin"
    printf 'x y' >"$d/pairs.equ"
    memcheck binary any "$no_input" pairs.equ source.bin out.bin
    scenario many-pairs
    i=0
    while [ $i -lt 2000 ]; do
      printf 'key%d value%d\r\n' $i $i
      i=$((i + 1))
    done >"$d/pairs.equ"
    crlf "exit x" >>"$d/pairs.equ"
    head -c 10000 /dev/zero | tr '\0' 'w' >"$d/source.asm"
    crlf " key1 key1999 (key7)" >>"$d/source.asm"
    memcheck many-pairs 0 "$no_input" pairs.equ source.asm out.asm
    scenario directory
    mkdir -p "$d/dir"
    printf 'x y' >"$d/pairs.equ"
    memcheck directory any "$no_input" pairs.equ dir out.asm
    scenario empty
    : >"$d/pairs.equ"
    : >"$d/source.asm"
    memcheck empty any "$no_input" pairs.equ source.asm out.asm
    ;;
  deflib)
    # No librarian is found (DEFLIB_LIBRARIAN names none): each run ends
    # with its own status after writing its files.
    DEFLIB_LIBRARIAN="$work/no-librarian/link /def:"
    export DEFLIB_LIBRARIAN
    scenario usage
    memcheck usage any "$no_input"
    scenario run
    crlf "printf" "  puts  " "" "	" "exit" >"$d/mylib.txt"
    printf 'last_without_line_end' >>"$d/mylib.txt"
    memcheck run any "$no_input" mylib.txt
    [ -s "$d/mylib.def" ] && [ -s "$d/mylib.inc" ] ||
      fail "deflib wrote no definition files under valgrind"
    scenario long-name
    head -c 10000 /dev/zero | tr '\0' 'n' >"$d/long.txt"
    memcheck long-name any "$no_input" long.txt
    [ -s "$d/long.def" ] || fail "deflib wrote no long.def under valgrind"
    scenario binary
    all_bytes >"$d/bin.lst"
    memcheck binary any "$no_input" bin.lst
    scenario directory
    mkdir -p "$d/dir.txt"
    memcheck directory any "$no_input" dir.txt
    ;;
  timeinfo)
    scenario report
    printf 'k' >"$work/key"
    memcheck report 0 "$work/key"
    ;;
  *) fail "no runs for $tool" ;;
esac
echo "$tool: $runs runs under valgrind without errors or leaks"
