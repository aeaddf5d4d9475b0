#!/bin/sh
# Installs what is missing, then builds and tests all targets: native Linux
# programs, the same under AddressSanitizer and UndefinedBehaviorSanitizer,
# the 64-bit Windows build under wine64, and the 32-bit Windows deliverables
# under qemu-i386 and 32-bit Wine. Then the extra checks: format, fuzzing,
# Valgrind and clang-tidy. The closing line counts the tests of all four
# presets.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
passed=0
failed=0
for preset in native native-asan win64 win32; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  # CTest's output goes to a file first: a Wine process must never hold a
  # pipe of this script open.
  log=build/$preset/ctest.log
  status=0
  ctest --preset "$preset" >"$log" 2>&1 || status=$?
  cat "$log"
  counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$log")
  set -- $counts
  if [ $# -eq 2 ]; then
    failed=$((failed + $1))
    passed=$((passed + $2 - $1))
  fi
  if [ "$status" -ne 0 ]; then
    echo "$passed passed, $((failed > 0 ? failed : 1)) failed"
    exit 1
  fi
done
sh scripts/extra-checks.sh
echo "== all targets passed"
echo "$passed passed, $failed failed"
