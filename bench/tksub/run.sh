#!/bin/sh
# Generates the seeded data (once) and runs the tksub benchmark.
# Usage: bench/tksub/run.sh [TKSUB_PROGRAM] [DATA_DIR] [ROUNDS]
set -e
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../../build/native/bin/tksub}
data=${2:-${TMPDIR:-/tmp}/tksub-bench}
rounds=${3:-5}
if [ ! -f "$data/source.asm" ] || [ ! -f "$data/repro.asm" ] ||
   [ ! -f "$data/pairs0.equ" ]; then
  python3 "$here/generate.py" "$data" --megabytes 100
fi
python3 "$here/bench.py" "$program" "$data" --rounds "$rounds"
