#!/bin/sh
# Runs the jump-table benchmark natively and under Wine and prints the
# machine code of jump_lookup and of the benchmark loop.
#   bench/jumptest/run.sh NATIVE_BUILD WIN64_BUILD [RUNS]
# Both builds must have the target jumptest_bench built. The Wine run uses a
# private session under WIN64_BUILD/bench-wine, shut down at the end.
set -u
native=$(cd "$1" && pwd) || exit 1
win64=$(cd "$2" && pwd) || exit 1
runs=${3:-9}
here=$(cd "$(dirname "$0")/../.." && pwd)

echo "== clock"
grep -m1 'model name' /proc/cpuinfo
grep -m1 'cpu MHz' /proc/cpuinfo
echo "== native"
"$native/bin/jumptest_bench" "$runs"
echo "== win64 under Wine"
state="$win64/bench-wine"
"$here/cmake/wine-session.sh" start "$state" >/dev/null 2>&1 || exit 1
"$here/cmake/wine-run.sh" "$state" "$win64/bin/jumptest_bench.exe" "$runs"
"$here/cmake/wine-session.sh" stop "$state"

echo "== jump_lookup and the loop, native"
objdump -d --no-show-raw-insn -C "$native/bin/jumptest_bench" |
  sed -n '/<tk::jumptest::jump_lookup(int)>:/,/^$/p;/<tk::jumptest::jump_lookup_loop()>:/,/^$/p'
echo "== jump_lookup, win64"
x86_64-w64-mingw32-objdump -d --no-show-raw-insn -C "$win64/bin/jumptest_bench.exe" |
  sed -n '/<tk::jumptest::jump_lookup(int)>:/,/^$/p'
