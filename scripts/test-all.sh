#!/bin/sh
# Installs what is missing, then builds and tests all targets: native Linux
# programs, the same under AddressSanitizer and UndefinedBehaviorSanitizer,
# the 64-bit Windows build under Wine, and the 32-bit Windows deliverables
# (built and checked, not run).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
for preset in native native-asan win64 win32; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
if [ -x scripts/extra-checks.sh ]; then
  sh scripts/extra-checks.sh
fi
echo "== all targets passed"
