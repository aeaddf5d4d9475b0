#!/bin/sh
# Installs what the kit's builds and tests need from Debian's archive, only
# what is missing. Run as root.
#   install-deps.sh         everything the test command needs
#   install-deps.sh build   what the main job needs
set -eu
packages="cmake g++ make libgtest-dev googletest
g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
wine64 xvfb xauth x11-apps imagemagick
qemu-user wine32:i386
clang llvm libclang-rt-14-dev clang-tidy clang-format valgrind tmux perl time"
# `install-deps.sh build`: only what the main job needs to build the 32-bit
# programs and the release archive and to run the native tksub (GoogleTest
# too: configuring a build tree looks for it).
if [ "${1:-}" = build ]; then
  packages="cmake g++ make libgtest-dev googletest g++-mingw-w64-i686
binutils-mingw-w64-i686"
elif ! dpkg --print-foreign-architectures | grep -qx i386; then
  # The 32-bit Wine loader (wine32:i386) comes from the i386 architecture;
  # the 32-bit programs run with it under qemu-i386 (qemu-user).
  echo "adding the i386 architecture"
  dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
fi
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing
fi
