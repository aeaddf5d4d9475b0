#!/bin/sh
# Installs what is missing, builds the 32-bit Windows deliverables into
# build/win32/bin/, and runs tksub on the shipped example (the native build,
# since 32-bit programs cannot run on this machine).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
ls -l build/win32/bin/*.exe
cmake --preset native >/dev/null
cmake --build --preset native --target tksub
cd examples
../build/native/bin/tksub myequate.equ mysource.asm myresult.asm
