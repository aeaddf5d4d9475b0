#!/bin/sh
# Counts what tksub's pair-file reader refuses in pair files made from the
# `#define NAME VALUE` lines of a header tree, written in the everyday forms
# `NAME VALUE`, `NAME = VALUE` and `NAME: VALUE`, one line a pair file.
#   bench/tksub/pair_forms.sh [BUILD_DIR] [HEADER_DIR]
# BUILD_DIR is a native build (build/native by default) that holds the
# counter, bin/tksub_pair_forms; HEADER_DIR is /usr/include by default.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
build=${1:-$top/build/native}
headers=${2:-/usr/include}
work=$(mktemp -d "${TMPDIR:-/tmp}/pair-forms.XXXXXX")
trap 'rm -rf "$work"' EXIT

counter=$build/bin/tksub_pair_forms
[ -x "$counter" ] || { echo "no $counter: cmake --build $build --target tksub_pair_forms" >&2; exit 1; }

# NAME and VALUE of every object-like #define with a value, its comments cut.
find "$headers" -name '*.h' -type f -exec cat {} + 2>/dev/null |
  sed -n 's/^[[:space:]]*#[[:space:]]*define[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]\{1,\}\(.*\)$/\1 \2/p' |
  sed 's|/\*.*||; s|//.*||; s/[[:space:]]*$//; s/\\$//' |
  awk 'NF >= 2' >"$work/defines"

for form in 'NAME VALUE' 'NAME = VALUE' 'NAME: VALUE'; do
  case $form in
    'NAME VALUE') sep=' ' ;;
    'NAME = VALUE') sep=' = ' ;;
    'NAME: VALUE') sep=': ' ;;
  esac
  awk -v sep="$sep" '{ name = $1; $1 = ""; sub(/^ +/, ""); print name sep $0 }' \
    "$work/defines" >"$work/lines"
  echo "== $form"
  "$counter" "$work/lines"
done
