#!/bin/sh
# Brings up (start) or shuts down (stop) the 32-bit Wine session of the
# win32 build tree. 32-bit Windows programs run here through qemu-i386 and
# Wine's 32-bit loader; 64-bit Wine sets up everything a 32-bit process
# cannot start itself:
#   - the prefix, booted by wine64 (wine-session.sh: Xvfb, one persistent
#     wineserver, Managed=N, the desktop held by a 64-bit keeper program,
#     since no 32-bit process can start it here), with its 32-bit system
#     directory (syswow64) filled from Wine's i386 DLLs;
#   - a private copy of the 32-bit loader, laid out as Wine expects it, whose
#     wine-preloader is a script that runs the loader under qemu-i386, so
#     that a 32-bit program can start other 32-bit programs;
#   - the 32-bit console host in place of the 64-bit one, for programs on a
#     terminal.
#   wine32-session.sh start STATE_DIR KEEPER_EXE
#   wine32-session.sh stop STATE_DIR
set -u
action=$1
state=$2
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

case "$action" in
stop)
  exec sh "$here/wine-session.sh" stop "$state"
  ;;
start)
  keeper=$3
  command -v qemu-i386 >/dev/null ||
    { echo "qemu-i386 is not installed (qemu-user)" >&2; exit 1; }
  [ -f /usr/lib/wine/wine ] ||
    { echo "Wine's 32-bit loader is not installed (wine32:i386)" >&2; exit 1; }
  sh "$here/wine-session.sh" start "$state" "$keeper" || exit 1
  if [ ! -f "$WINEPREFIX/.tk-wow64-ready" ]; then
    cp -f /usr/lib/i386-linux-gnu/wine/i386-windows/* \
      "$WINEPREFIX/drive_c/windows/syswow64/" || exit 1
    touch "$WINEPREFIX/.tk-wow64-ready"
  fi
  # Wine starts the console host of a program on a terminal from system32,
  # where the 64-bit one is, and a 32-bit program cannot start that: the
  # session's system32 gets the 32-bit console host. No 64-bit program of
  # the session runs on a terminal.
  cp -f "$WINEPREFIX/drive_c/windows/syswow64/conhost.exe" \
    "$WINEPREFIX/drive_c/windows/system32/conhost.exe" || exit 1
  # The loader copy: Wine starts every child of a 32-bit process through
  # wine-preloader in the loader's own directory, with the loader and the
  # arguments. A guest address space of 0x84000000 makes a start take about
  # 5 s (larger ones take far longer, smaller ones fail); WINELOADERNOEXEC
  # keeps the loader from executing itself again. With TK_START_LOG set,
  # every start is also logged to that file, one line each (the count of
  # emulated starts in bench/README.md).
  loader="$state/loader"
  if [ ! -f "$loader/lib/wine/wine.elf" ]; then
    rm -rf "$loader"
    mkdir -p "$loader/lib/wine" || exit 1
    cp /usr/lib/wine/wine "$loader/lib/wine/wine.elf" || exit 1
    ln -s /usr/lib/i386-linux-gnu "$loader/lib/i386-linux-gnu"
    ln -s /usr/share "$loader/share"
  fi
  printf '%s\n' '#!/bin/sh' 'loader=$1; shift' \
    '[ -z "${TK_START_LOG:-}" ] || printf "%s\\n" "$*" >>"$TK_START_LOG"' \
    'WINELOADERNOEXEC=1 exec qemu-i386 -R 0x84000000 -L / "$loader" "$@"' \
    >"$loader/lib/wine/wine-preloader.new" || exit 1
  chmod +x "$loader/lib/wine/wine-preloader.new"
  mv "$loader/lib/wine/wine-preloader.new" "$loader/lib/wine/wine-preloader"
  exit 0
  ;;
*)
  echo "usage: wine32-session.sh start STATE_DIR KEEPER_EXE | stop STATE_DIR" >&2
  exit 2
  ;;
esac
