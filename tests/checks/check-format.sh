#!/bin/sh
# check-format.sh CLANG_FORMAT SOURCE_DIR DIR...: every .cc and .h file under
# the DIRs (relative to SOURCE_DIR) follows .clang-format. Names each file
# that does not, with the command that mends it.
set -eu
clang_format=$1
cd "$2"
shift 2
files=$(find "$@" -type f \( -name '*.cc' -o -name '*.h' \) | sort)
bad=0
for f in $files; do
  if ! "$clang_format" --dry-run --Werror "$f" 2>/dev/null; then
    echo "needs formatting: $f ($clang_format -i $f)"
    bad=1
  fi
done
echo "$(echo "$files" | wc -l) files checked against .clang-format"
exit "$bad"
