#!/bin/sh
# The test command: installs what is missing, then runs the workflow preset
# (configure, build, test) of every tree:
#   native       the Linux programs, the format check and Valgrind runs;
#   native-asan  the same built by clang 14 under AddressSanitizer and
#                UndefinedBehaviorSanitizer, with clang-tidy while it
#                compiles, and the libFuzzer smoke runs;
#   win64        the 64-bit Windows build under wine64, with clang-tidy;
#   win32        the 32-bit deliverables under qemu-i386 and 32-bit Wine.
# Beside the trees, from the start, the main job runs on a fresh minimal
# Debian 12 root (scripts/fresh-machine-check.sh; its output goes to
# build/fresh-machine.log): most of its time is spent fetching and unpacking
# packages, which leaves the processors to the trees.
#
# Each tree's output is shown as it comes and kept in build/PRESET.log. It
# stops at the first tree that fails. At the end it prints each tree's time
# and the whole command's, in seconds, then counts the tests of every tree
# that ran, from the JUnit files that CTest writes, and the fresh-root check.
set -eu
cd "$(dirname "$0")/.."
begun=$(date +%s)
sh scripts/install-deps.sh
passed=0
failed=0
skipped=0

# count PRESET: adds the counts of the tree's last test run, read from the
# attributes of the report's one <testsuite> element.
count() {
  report=build/$1/test-results.xml
  [ -f "$report" ] || return 0
  suite=$(sed -n '/<testsuite/,/>/p' "$report" | tr '\n\t' '  ')
  attr() { echo "$suite" | sed -n "s/.* $1=\"\([0-9]*\)\".*/\1/p"; }
  tests=$(attr tests) failures=$(attr failures)
  not_run=$(($(attr disabled) + $(attr skipped)))
  failed=$((failed + failures))
  skipped=$((skipped + not_run))
  passed=$((passed + tests - failures - not_run))
}

times=""
closing_line() {
  printf '%s\n' "$times" | sed '/^$/d'
  echo "== the whole command: $(($(date +%s) - begun)) s"
  line="$passed passed, $failed failed"
  [ "$skipped" -eq 0 ] || line="$line, $skipped skipped"
  echo "$line"
}

sentinel=""
follower=""
fresh=""
stop_follower() {
  [ -z "$sentinel" ] || { kill "$sentinel"; wait "$sentinel" 2>/dev/null || :; }
  [ -z "$follower" ] || wait "$follower" || :
  sentinel="" follower=""
}
# The fresh-root check ends its own processes and mounts on TERM.
stop_fresh() {
  [ -z "$fresh" ] || { kill "$fresh" 2>/dev/null || :; wait "$fresh" || :; }
  fresh=""
}
trap 'stop_follower; stop_fresh' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p build
fresh_log=build/fresh-machine.log
fresh_end=build/fresh-machine.end
rm -f "$fresh_end"
fresh_started=$(date +%s)
# The subshell ends with the check's exit status and writes the time it
# ended to $fresh_end; it hands TERM on to the check.
(
  sh scripts/fresh-machine-check.sh >"$fresh_log" 2>&1 </dev/null &
  check=$!
  trap 'kill "$check" 2>/dev/null; wait "$check"; exit 143' TERM
  status=0
  wait "$check" || status=$?
  date +%s >"$fresh_end"
  exit $status
) &
fresh=$!

for preset in native native-asan win64 win32; do
  echo "== $preset (log: build/$preset.log)"
  rm -f "build/$preset/test-results.xml"
  # The tree's output goes to its log file, never to a pipe of this script
  # (a Wine process could hold that open). tail shows the log as it grows
  # while the workflow runs in the foreground (so Ctrl+C reaches it), and
  # ends after its last lines once the stand-in process it watches is gone.
  log=build/$preset.log
  : >"$log"
  sleep 1000000 &
  sentinel=$!
  tail -n +1 -f --pid="$sentinel" "$log" &
  follower=$!
  status=0
  started=$(date +%s)
  cmake --workflow --preset "$preset" >"$log" 2>&1 </dev/null || status=$?
  stop_follower
  times="$times
== $preset: $(($(date +%s) - started)) s"
  count "$preset"
  if [ "$status" -ne 0 ]; then
    echo "== $preset failed"
    [ "$failed" -gt 0 ] || failed=1
    closing_line
    exit 1
  fi
done

echo "== the main job on a fresh Debian 12 root (log: $fresh_log)"
status=0
wait "$fresh" || status=$?
fresh=""
tail -n 3 "$fresh_log"
fresh_ended=$(cat "$fresh_end" 2>/dev/null || date +%s)
times="$times
== the fresh root, beside the trees: $((fresh_ended - fresh_started)) s"
case $status in
  0) passed=$((passed + 1)) ;;
  77) skipped=$((skipped + 1)) ;;
  *)
    echo "== the fresh-root check failed"
    failed=$((failed + 1))
    closing_line
    exit 1
    ;;
esac
echo "== all trees passed"
closing_line
