#!/bin/sh
# Installs from Debian's archive what one of the kit's two commands needs on
# a minimal Debian 12, only what is missing, without recommended packages.
# Run as root.
#   install-deps.sh         the test command's set (scripts/test-all.sh)
#   install-deps.sh build   the main job's set (scripts/main-job.sh)
#   install-deps.sh --list [build]   prints the set, installs nothing
# What only Debian's Essential packages bring (sh, sed, awk, perl from
# perl-base, find, diff, tar, setsid, unshare, findmnt, chroot) is not named.
set -eu

# The main job: CMake and make; the i686 MinGW compiler and binutils
# (objdump, strip, windres) for the 32-bit programs and the archive; the host
# C++ compiler for the native tksub that runs the example when the 32-bit
# runner is not installed.
build_set="cmake make g++ g++-mingw-w64-i686-posix binutils-mingw-w64-i686"

# The test command, per tree (CMake names the package of a missing one):
#   every tree with tests   GoogleTest (libgtest-dev; googletest holds the
#                           sources the Windows trees compile), tmux, clang-14
#                           and libclang-rt-14-dev (FuzzedDataProvider.h for
#                           fuzz_replay)
#   native                  clang-format-14, valgrind, i686-w64-mingw32-dlltool
#                           (deflib_dlltool)
#   native-asan             clang-14 with libFuzzer (libclang-rt-14-dev),
#                           clang-tidy-14 as it compiles
#   win64                   clang-tidy-14 as it compiles
#   beside the trees        mmdebstrap and git (the main job on a fresh root,
#                           scripts/fresh-machine-check.sh)
#   win64                   the 64-bit MinGW compiler, wine64, Xvfb
#   win32                   the above, qemu-i386 (qemu-user), Wine's 32-bit
#                           loader (wine32:i386), ImageMagick for the picture
#                           of the dialog
test_set="$build_set libgtest-dev googletest tmux
clang-format-14 valgrind mmdebstrap git
clang-tidy-14 clang-14 libclang-rt-14-dev
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb
qemu-user wine32:i386 imagemagick"

list_only=no
if [ "${1:-}" = --list ]; then
  list_only=yes
  shift
fi
case "${1:-}" in
  build) packages=$build_set ;;
  "") packages=$test_set ;;
  *) echo "usage: install-deps.sh [--list] [build]" >&2; exit 2 ;;
esac
if [ $list_only = yes ]; then
  echo $packages | tr ' ' '\n'
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
case " $(echo $packages) " in
  *:i386*)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      # The 32-bit Wine loader (wine32:i386) comes from the i386
      # architecture; the 32-bit programs run with it under qemu-i386.
      echo "adding the i386 architecture"
      dpkg --add-architecture i386
    fi
    ;;
esac
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  # A mirror in the middle of a sync can serve an index that does not match
  # its Release file for a while: apt-get update is tried three times.
  tries=1
  until apt-get update -q; do
    [ $tries -lt 3 ] || { echo "install-deps: apt-get update failed $tries times" >&2; exit 1; }
    tries=$((tries + 1))
    echo "install-deps: apt-get update failed; trying again in 30 s"
    sleep 30
  done
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing
else
  echo "install-deps: every package is installed"
fi
