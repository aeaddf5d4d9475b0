#!/bin/sh
# The main job: installs what is missing, builds the four 32-bit Windows
# programs and their release archive (the `release` preset: no test program,
# no test tool looked up) and the native console tools (`native-release`,
# which the README's examples run), runs tksub on the shipped example and
# ends by saying where the archive and the programs are.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

# True where the 32-bit programs can run here: qemu-i386 with Wine's 32-bit
# loader, and what scripts/run-win32.sh needs to set a session up.
can_run_win32() {
  command -v qemu-i386 >/dev/null && [ -x /usr/lib/wine/wine ] &&
    [ -x /usr/lib/wine/wine64 ] && command -v Xvfb >/dev/null &&
    { [ -f build/win32/desktop_keeper64.exe ] ||
      command -v x86_64-w64-mingw32-g++-posix >/dev/null; }
}

# Runs tksub on examples/: myequate.equ and mysource.asm give myresult.asm.
# The shipped 32-bit tksub.exe where it can run here, else the native build
# of the same sources.
run_tksub_example() {
  if can_run_win32; then
    echo "(the 32-bit tksub.exe, through qemu-i386 and 32-bit Wine)"
    (cd examples && sh "$root/scripts/run-win32.sh" \
      "$root/build/release/bin/tksub.exe" myequate.equ mysource.asm myresult.asm)
  else
    echo "(the native tksub: the 32-bit runner is not installed)"
    (cd examples && "$root/build/native-release/bin/tksub" myequate.equ \
      mysource.asm myresult.asm)
  fi
}

sh scripts/install-deps.sh build

echo "== the 32-bit programs and the release archive"
cmake --preset release >/dev/null
# Builds `all`, which holds only the four programs, then the archive.
cmake --build --preset release

# The native console tools, which the README's examples run.
echo "== the native console tools"
cmake --preset native-release >/dev/null
cmake --build --preset native-release

echo "== tksub on examples/"
# The pair file's "exit" line, line 6, is reported as "Line Number 6" with
# no line end, so tksub's closing report follows on the same line.
run_tksub_example

archive_name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' \
  build/release/CPackConfig.cmake)
echo
echo "Release archive: $root/build/release/$archive_name.zip ($(wc -c <"build/release/$archive_name.zip") bytes)"
# Its files with their sizes in bytes; the programs in it are stripped.
cmake -E tar tvf "build/release/$archive_name.zip" |
  awk '$NF !~ /\/$/ { printf "  %9d  %s\n", $5, $NF }' | sort -k 2
echo "The four 32-bit programs as built (with their symbols):"
for tool in tksub deflib jumptest timeinfo; do
  echo "  $root/build/release/bin/$tool.exe"
done
echo "The native console tools: $root/build/native-release/bin/"
echo "The example's result: $root/examples/myresult.asm"
