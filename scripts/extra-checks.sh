#!/bin/sh
# Checks beyond the test suites of the four presets, run by test-all.sh after
# them (the native build in build/native must exist):
#   1. the source format (clang-format against .clang-format);
#   2. the libFuzzer targets of fuzz/, each over its starting corpus and then for
#      a fixed number of executions, under ASan and UBSan (native-fuzz preset);
#   3. Valgrind memcheck on end-to-end runs of the native console tools:
#      no error, no definite or indirect leak;
#   4. clang-tidy with the checks of .clang-tidy.
# Any finding ends the script with a non-zero status.
#
# Settings (environment):
#   TK_CHECKED_DIRS  directories whose sources the format and tidy checks read
#   TK_FUZZ_RUNS     executions per fuzz target after its corpus (default 20000)
#   TK_NATIVE_BUILD  the native build tree whose programs Valgrind runs
#                    (default build/native)
#   TK_SKIP_TIDY=1   leave out the clang-tidy run (it takes a few minutes)
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

checked_dirs=${TK_CHECKED_DIRS:-"lib tests fuzz tksub deflib jumptest timeinfo bench"}
fuzz_runs=${TK_FUZZ_RUNS:-20000}
native_build=${TK_NATIVE_BUILD:-$root/build/native}
native_bin=$native_build/bin

fail() {
  echo "extra-checks: $*" >&2
  exit 1
}

# The C++ sources of the checked directories, one per line.
checked_sources() {
  # shellcheck disable=SC2086
  find $checked_dirs -type f \( -name '*.cc' -o -name '*.h' \) | sort
}

# ---------------------------------------------------------------------------
echo "== format (clang-format, $checked_dirs)"
command -v clang-format-14 >/dev/null || fail "clang-format-14 is not installed"
bad=0
for f in $(checked_sources); do
  if ! clang-format-14 --dry-run --Werror "$f" 2>/dev/null; then
    echo "  needs formatting: $f (clang-format-14 -i $f)"
    bad=1
  fi
done
[ "$bad" -eq 0 ] || fail "sources differ from .clang-format"
echo "  $(checked_sources | wc -l) files follow .clang-format"

# ---------------------------------------------------------------------------
echo "== fuzz targets ($fuzz_runs executions each after the corpus)"
cmake --preset native-fuzz >/dev/null
cmake --build --preset native-fuzz
fuzz_dir=$root/build/native-fuzz
rm -rf "$fuzz_dir/fuzz-work"
mkdir -p "$fuzz_dir/fuzz-work" "$fuzz_dir/artifacts"
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  program=$fuzz_dir/bin/$target
  [ -x "$program" ] || fail "fuzz target $target was not built"
  log=$fuzz_dir/fuzz-work/$target.log
  # New inputs go to a scratch directory; the starting corpus is only read.
  mkdir -p "$fuzz_dir/fuzz-work/$target"
  if ! "$program" -runs="$fuzz_runs" -seed=1 -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$fuzz_dir/artifacts/$target-" \
      "$fuzz_dir/fuzz-work/$target" "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    fail "fuzz target $target failed (log: $log)"
  fi
  echo "  $target: $(ls "$corpus" | wc -l) seeds," \
       "$(grep -o 'Done [0-9]* runs' "$log" | tail -n 1)"
done

# ---------------------------------------------------------------------------
echo "== valgrind memcheck on the native console tools"
command -v valgrind >/dev/null || fail "valgrind is not installed"
vg_work=$native_build/valgrind-work
rm -rf "$vg_work"
mkdir -p "$vg_work"
vg_runs=0

# memcheck <name> <expected exit status> <stdin file> <program> <args...>
# Runs in $vg_work/<name>/ (made beforehand by the caller). An expected status
# of "any" takes every status a program gives by itself (the bad-input tests
# assert the documented ones); an end by a signal always fails.
memcheck() {
  name=$1 want=$2 input=$3
  shift 3
  log=$vg_work/$name.valgrind
  status=0
  (cd "$vg_work/$name" &&
    valgrind -q --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect \
      --show-leak-kinds=definite,indirect --log-file="$log" \
      "$@" <"$input" >"$vg_work/$name.out" 2>&1) || status=$?
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
  vg_runs=$((vg_runs + 1))
}

# scenario <name>: a fresh working directory for one run.
scenario() {
  mkdir -p "$vg_work/$1"
  echo "$vg_work/$1"
}

have_tool() {
  if [ -x "$native_bin/$1" ]; then
    return 0
  fi
  echo "  SKIPPED: $1 (no program $native_bin/$1 yet)"
  return 1
}

: >"$vg_work/no-input"
crlf() { printf '%s\r\n' "$@"; }
# Every byte value from 0 to 255, 64 times over (16 KiB).
all_bytes() {
  i=0
  while [ $i -lt 256 ]; do
    # shellcheck disable=SC2059
    printf "\\$(printf %03o $i)"
    i=$((i + 1))
  done >"$vg_work/bytes256"
  for _ in $(seq 64); do cat "$vg_work/bytes256"; done
}

if have_tool tksub; then
  tksub=$native_bin/tksub
  d=$(scenario tksub-usage)
  memcheck tksub-usage any "$vg_work/no-input" "$tksub"
  d=$(scenario tksub-run)
  crlf "CONST 10" "a = b" "name=other_name" "exit x" "not read" >"$d/pairs.equ"
  crlf "mov eax, CONST" "[a] (CONST) a.b \$a name" >"$d/source.asm"
  printf 'no line end a' >>"$d/source.asm"
  memcheck tksub-run 0 "$vg_work/no-input" "$tksub" pairs.equ source.asm out.asm
  d=$(scenario tksub-pair-error)
  crlf "a b" "a c" >"$d/pairs.equ"
  crlf "a" >"$d/source.asm"
  memcheck tksub-pair-error any "$vg_work/no-input" "$tksub" pairs.equ source.asm out.asm
  d=$(scenario tksub-binary)
  all_bytes >"$d/source.bin"
  printf 'x y' >"$d/pairs.equ"
  memcheck tksub-binary any "$vg_work/no-input" "$tksub" pairs.equ source.bin out.bin
  d=$(scenario tksub-many-pairs)
  i=0
  while [ $i -lt 2000 ]; do
    printf 'key%d value%d\r\n' $i $i
    i=$((i + 1))
  done >"$d/pairs.equ"
  crlf "exit x" >>"$d/pairs.equ"
  head -c 10000 /dev/zero | tr '\0' 'w' >"$d/source.asm"
  crlf " key1 key1999 (key7)" >>"$d/source.asm"
  memcheck tksub-many-pairs 0 "$vg_work/no-input" "$tksub" pairs.equ source.asm out.asm
  d=$(scenario tksub-directory)
  mkdir -p "$d/dir"
  printf 'x y' >"$d/pairs.equ"
  memcheck tksub-directory any "$vg_work/no-input" "$tksub" pairs.equ dir out.asm
  d=$(scenario tksub-empty)
  : >"$d/pairs.equ"
  : >"$d/source.asm"
  memcheck tksub-empty any "$vg_work/no-input" "$tksub" pairs.equ source.asm out.asm
fi

if have_tool deflib; then
  deflib=$native_bin/deflib
  d=$(scenario deflib-usage)
  memcheck deflib-usage any "$vg_work/no-input" "$deflib"
  d=$(scenario deflib-run)
  crlf "printf" "  puts  " "" "	" "exit" >"$d/mylib.txt"
  printf 'last_without_line_end' >>"$d/mylib.txt"
  # No librarian here: the run ends with its own status, the files written.
  memcheck deflib-run any "$vg_work/no-input" "$deflib" mylib.txt
  [ -s "$d/mylib.def" ] && [ -s "$d/mylib.inc" ] ||
    fail "deflib wrote no definition files under valgrind"
  d=$(scenario deflib-long-name)
  head -c 10000 /dev/zero | tr '\0' 'n' >"$d/long.txt"
  memcheck deflib-long-name any "$vg_work/no-input" "$deflib" long.txt
  [ -s "$d/long.def" ] || fail "deflib wrote no long.def under valgrind"
  d=$(scenario deflib-binary)
  all_bytes >"$d/bin.lst"
  memcheck deflib-binary any "$vg_work/no-input" "$deflib" bin.lst
  d=$(scenario deflib-directory)
  mkdir -p "$d/dir.txt"
  memcheck deflib-directory any "$vg_work/no-input" "$deflib" dir.txt
fi

if have_tool timeinfo; then
  d=$(scenario timeinfo)
  printf 'k' >"$vg_work/key"
  memcheck timeinfo 0 "$vg_work/key" "$native_bin/timeinfo"
fi
echo "  $vg_runs runs without errors or leaks"

# ---------------------------------------------------------------------------
if [ "${TK_SKIP_TIDY:-0}" = 1 ]; then
  echo "== clang-tidy: SKIPPED (TK_SKIP_TIDY=1)"
else
  echo "== clang-tidy ($checked_dirs)"
  command -v clang-tidy-14 >/dev/null || fail "clang-tidy-14 is not installed"
  # A native tree of its own, only for its list of compile commands.
  cmake --preset native -B build/tidy -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    >/dev/null
  db=build/tidy/compile_commands.json
  native_files="" win_files="" other_files=""
  for f in $(checked_sources | grep '\.cc$'); do
    case $f in
      *_win32.cc | *_win32_test.cc) win_files="$win_files $f" ;;
      *)
        if grep -q "\"file\": \"$root/$f\"" "$db"; then
          native_files="$native_files $f"
        else
          other_files="$other_files $f"
        fi
        ;;
    esac
  done
  tidy_failed=0
  tidy_log=build/tidy/clang-tidy.log
  : >"$tidy_log"
  # tidy <files> -- <compiler arguments>: findings to the console, the counts
  # of warnings suppressed in system headers left out.
  tidy() {
    clang-tidy-14 --quiet "$@" >>"$tidy_log" 2>&1 || tidy_failed=1
  }
  if [ -n "$native_files" ]; then
    # shellcheck disable=SC2086
    tidy -p build/tidy $native_files
  fi
  if [ -n "$win_files" ]; then
    # The Windows sources, read as the 64-bit MinGW compiler reads them.
    mingw=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
    # shellcheck disable=SC2086
    tidy $win_files -- --target=x86_64-w64-mingw32 \
      -std=c++20 -DNOMINMAX -DWIN32_LEAN_AND_MEAN -DTK_KIT_VERSION=\"0.0.0\" -Ilib -Itests \
      -isystem /usr/src/googletest/googletest/include -isystem "$mingw" \
      -isystem "$mingw/x86_64-w64-mingw32"
  fi
  if [ -n "$other_files" ]; then
    # Sources of no native target (the fuzz targets and what they include).
    # shellcheck disable=SC2086
    tidy $other_files -- -std=c++20 -DTK_KIT_VERSION=\"0.0.0\" -Ilib -Itests -Itksub -Ideflib
  fi
  grep -v -e '^[0-9]* warnings\{0,1\} generated\.$' -e '^Suppressed ' \
    -e '^Use -header-filter' "$tidy_log" || true
  [ "$tidy_failed" -eq 0 ] || fail "clang-tidy reported findings"
  echo "  no findings"
fi

echo "== extra checks passed"
