#!/bin/sh
# The route to an import library on Linux: deflib with DEFLIB_LIBRARIAN
# naming the two-line wrapper around the mingw-w64 dlltool that the README
# shows. Checks that dlltool accepts the module-definition file of a list in
# another directory and that the library's import pointers are exactly the
# ones that the include file declares.
#   check-dlltool.sh DEFLIB LISTFILE
# Exits with 77 (skipped) when the tools are missing; scripts/install-deps.sh
# installs them (binutils-mingw-w64-i686).
set -u
deflib=$1
list=$2
dlltool=i686-w64-mingw32-dlltool
nm=i686-w64-mingw32-nm
if ! command -v "$dlltool" >/dev/null || ! command -v "$nm" >/dev/null; then
  echo "skipped: $dlltool or $nm is missing; run scripts/install-deps.sh"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/deflib-dlltool.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir "$work/lists" || exit 1
cp "$list" "$work/lists/crtnames.txt" || exit 1
cd "$work" || exit 1

# The wrapper, as in the README.
cat >deflib-dlltool <<'WRAPPER'
#!/bin/sh
exec i686-w64-mingw32-dlltool -d "$1" -l "${1%.def}.lib"
WRAPPER
chmod +x deflib-dlltool

DEFLIB_LIBRARIAN="$work/deflib-dlltool " "$deflib" lists/crtnames.txt >deflib.out ||
  { echo "deflib failed:"; cat deflib.out; exit 1; }
[ -s lists/crtnames.lib ] || { echo "no lists/crtnames.lib"; cat deflib.out; exit 1; }

# C decoration puts one more underscore in front: _imp__printf in the
# include file is __imp__printf in the library.
sed -n 's/^    externdef \(_imp__[^:]*\):PTR c_crtnames\r$/_\1/p' lists/crtnames.inc |
  sort >declared
"$nm" lists/crtnames.lib | sed -n 's/^[0-9a-f]* I \(__imp_.*\)$/\1/p' | sort >built
count=$(wc -l <declared)
names=$(grep -c '[!-~]' lists/crtnames.txt)
if [ "$count" -ne "$names" ]; then
  echo "crtnames.inc declares $count import pointers for $names names"
  exit 1
fi
if ! diff declared built; then
  echo "the import library's pointers differ from crtnames.inc ('<' declared, '>' built)"
  exit 1
fi
echo "dlltool built lists/crtnames.lib: $count import pointers match crtnames.inc"
