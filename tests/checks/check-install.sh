#!/bin/sh
# Installs the native build into a fresh prefix and checks the layout:
#   check-install.sh CMAKE BUILD_DIR SOURCE_DIR BINDIR DOCDIR PROGRAM...
# The prefix must hold exactly the programs in BINDIR, identical to the
# build's and runnable from there, and in DOCDIR the README, docs/ with its
# files (where the README's links point) and the two examples, byte for
# byte.
set -u
cmake=$1 build=$2 src=$3 bindir=$4 docdir=$5
shift 5
prefix=$build/install-check
status=0
fail() {
  echo "FAIL $*"
  status=1
}

rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$build/install-check.log" 2>&1 ||
  { cat "$build/install-check.log"; echo "FAIL cmake --install"; exit 1; }

# Every installed file against the file of the tree it must equal.
want=""
for p in "$@"; do
  want="$want$bindir/$p $build/bin/$p
"
done
want="$want$docdir/README.md $src/README.md
$docdir/examples/myequate.equ $src/examples/myequate.equ
$docdir/examples/mysource.asm $src/examples/mysource.asm
"
for f in $(cd "$src/docs" && find . -type f -printf '%P\n'); do
  want="$want$docdir/docs/$f $src/docs/$f
"
done
want=$(printf '%s' "$want" | LC_ALL=C sort)

have=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
[ "$have" = "$(echo "$want" | cut -d' ' -f1)" ] || fail "the prefix holds:
$have"
echo "$want" | while read -r installed original; do
  cmp -s "$prefix/$installed" "$original" || echo "FAIL $installed differs"
done | grep FAIL && status=1

for p in "$@"; do
  [ -x "$prefix/$bindir/$p" ] || fail "$bindir/$p is not executable"
done
# tksub runs from the prefix: without arguments it shows its usage text.
if [ -x "$prefix/$bindir/tksub" ]; then
  "$prefix/$bindir/tksub" >"$build/install-check.out" 2>&1
  code=$?
  [ $code -eq 1 ] || fail "installed tksub ended with $code"
  grep -q "TKSUB : 'Token Substitute' Version 3" "$build/install-check.out" ||
    fail "installed tksub did not show its usage text"
fi

[ $status -eq 0 ] && echo "$prefix: $(echo "$have" | wc -l) files checked"
exit $status
