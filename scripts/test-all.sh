#!/bin/sh
# The test command: installs what is missing, then configures, builds and
# tests every tree with its presets:
#   native       the Linux programs, the format check and Valgrind runs;
#   native-asan  the same built by clang 14 under AddressSanitizer and
#                UndefinedBehaviorSanitizer, with clang-tidy while it
#                compiles, and the libFuzzer smoke runs;
#   win64        the 64-bit Windows build under wine64, with clang-tidy;
#   win32        the 32-bit deliverables under qemu-i386 and 32-bit Wine.
# Beside the trees, from the start, the main job runs on a fresh minimal
# Debian 12 root (scripts/fresh-machine-check.sh; its output goes to
# build/fresh-machine.log).
#
# Each tree is configured and built while the tree before it is tested (the
# 32-bit tree first). The tests leave the processors partly idle (the Wine
# sessions, the emulated 32-bit starts, the terminal test's waits), and the
# work beside them takes only what they leave: every build but the first,
# and the fresh-root check from the start, run in the idle scheduling class
# (SCHED_IDLE, chrt --idle), which gives the processor up at once to any
# other process that wants it. (At equal priority, a build beside the
# 32-bit tests slowed their emulated starts about fivefold.)
#
# Each tree's output is kept in build/PRESET.log, its tests' output also
# shown as it comes. It stops at the first tree that fails. At the end it
# prints each tree's times and the whole command's, in seconds, then counts
# the tests of every tree that ran, from the JUnit files that CTest writes,
# and the fresh-root check.
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
# build_in_background PRESET [PRIORITY...]: configures and builds the tree,
# through the command PRIORITY when given, in a process group of its own (so
# that stop_builder ends its compilers too) but in this session: the kernel
# shares the processors fairly between sessions (autogroups), so a build in
# a session of its own (setsid) would take half of them whatever its
# scheduling class. Its output goes to build/PRESET.log from the start;
# when it ends, the time it ended goes to build/PRESET.built.
builder=""
build_in_background() {
  log=build/$1.log
  : >"$log"
  rm -f "build/$1.built"
  build_started=$(date +%s)
  tree=$1
  shift
  perl -e 'setpgrp(0, 0); exec { $ARGV[0] } @ARGV or die "$ARGV[0]: $!\n"' \
    "$@" sh -c 'cmake --preset "$0" && cmake --build --preset "$0"; status=$?
    date +%s >"build/$0.built"; exit $status' "$tree" >>"$log" 2>&1 </dev/null &
  builder=$!
}
# (dash's kill takes no "--": "-PGID" names the process group.)
stop_builder() {
  [ -z "$builder" ] || { kill -TERM "-$builder" 2>/dev/null || :; wait "$builder" 2>/dev/null || :; }
  builder=""
}
trap 'stop_follower; stop_builder; stop_fresh' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p build
fresh_log=build/fresh-machine.log
fresh_end=build/fresh-machine.end
rm -f "$fresh_end"
fresh_started=$(date +%s)
# The idle scheduling class; nice 19 where it cannot be set.
idle="chrt --idle 0"
$idle true 2>/dev/null || idle="nice -n 19"
# The subshell ends with the check's exit status and writes the time it
# ended to $fresh_end; it hands TERM on to the check.
(
  $idle sh scripts/fresh-machine-check.sh >"$fresh_log" 2>&1 </dev/null &
  check=$!
  trap 'kill "$check" 2>/dev/null; wait "$check"; exit 143' TERM
  status=0
  wait "$check" || status=$?
  date +%s >"$fresh_end"
  exit $status
) &
fresh=$!

tree_failed() {
  echo "== $1 failed (log: build/$1.log)"
  [ "$failed" -gt 0 ] || failed=1
  closing_line
  exit 1
}

# The trees in turn, each tree's build beside the tests of the one before.
# The 32-bit tree, whose tests take longest and leave the most idle, goes
# first.
set -- win32 native-asan win64 native
build_in_background "$1"
while [ $# -gt 0 ]; do
  preset=$1
  shift
  echo "== $preset: configure and build (log: build/$preset.log)"
  status=0
  wait "$builder" || status=$?
  builder=""
  built=$(cat "build/$preset.built" 2>/dev/null || date +%s)
  build_time=$((built - build_started))
  [ "$status" -eq 0 ] || tree_failed "$preset"
  # shellcheck disable=SC2086
  [ $# -eq 0 ] || build_in_background "$1" $idle

  echo "== $preset: test"
  rm -f "build/$preset/test-results.xml"
  # The tests' output goes to the tree's log file, never to a pipe of this
  # script (a Wine process could hold that open). tail shows the log as it
  # grows while ctest runs in the foreground (so Ctrl+C reaches it), and
  # ends after its last lines once the stand-in process it watches is gone.
  log=build/$preset.log
  lines=$(wc -l <"$log")
  sleep 1000000 &
  sentinel=$!
  tail -n +$((lines + 1)) -f --pid="$sentinel" "$log" &
  follower=$!
  started=$(date +%s)
  ctest --preset "$preset" >>"$log" 2>&1 </dev/null || status=$?
  stop_follower
  times="$times
== $preset: configure and build $build_time s, test $(($(date +%s) - started)) s"
  count "$preset"
  [ "$status" -eq 0 ] || tree_failed "$preset"
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
