#!/bin/sh
# Brings up (start) or shuts down (stop) the Wine session of one build tree:
# an X display from Xvfb, a private prefix, one persistent wineserver and,
# with KEEPER_EXE, the session's desktop held open from start to stop.
#   wine-session.sh start STATE_DIR [KEEPER_EXE]
#   wine-session.sh stop STATE_DIR
set -u
action=$1
state=$2
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

stop_session() {
  if [ -d "$WINEPREFIX" ]; then
    /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 </dev/null
    /usr/lib/wine/wineserver64 -w >/dev/null 2>&1 </dev/null
  fi
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/xvfb.pid" "$state/display"
  fi
}

case "$action" in
stop)
  stop_session
  exit 0
  ;;
start)
  stop_session
  mkdir -p "$state"
  # A display number that nothing else on this machine uses.
  n=$(( 90 + $$ % 400 ))
  tries=0
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
    n=$((n + 1)); tries=$((tries + 1))
    [ $tries -gt 500 ] && { echo "no free X display" >&2; exit 1; }
  done
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp \
    </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ]; do
    sleep 0.1; i=$((i + 1))
    [ $i -gt 100 ] && { echo "Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  done
  echo ":$n" >"$state/display"
  export DISPLAY=":$n"
  # The persistent server first, detached from every pipe of the caller.
  setsid /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1 &
  sleep 0.2
  if [ ! -f "$WINEPREFIX/.tk-ready" ]; then
    /usr/lib/wine/wine64 wineboot --init </dev/null >"$state/wineboot.log" 2>&1
    # No window manager under Xvfb: unmanaged windows close without a stall.
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >>"$state/wineboot.log" 2>&1
    touch "$WINEPREFIX/.tk-ready"
  fi
  # A program that crashes must end at once with the exception as its
  # status. Wine starts the debugger named under AeDebug (winedbg --auto by
  # default), which waits on a crash dialog under Xvfb until the test's
  # time runs out, and without its dialog at times ends the program with
  # status 0. A debugger that cannot be started lets Wine end the program
  # itself. Both views of the key: 64-bit and 32-bit programs.
  if [ ! -f "$WINEPREFIX/.tk-no-debugger" ]; then
    for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
               'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
      /usr/lib/wine/wine64 reg add "$key" /v Debugger /d tk-no-debugger /f \
        </dev/null >>"$state/wineboot.log" 2>&1 || exit 1
    done
    touch "$WINEPREFIX/.tk-no-debugger"
  fi
  # Bring the prefix's services up now, with their handles on a file, so
  # that no test program starts them on its own pipes.
  /usr/lib/wine/wine64 wineboot </dev/null >>"$state/wineboot.log" 2>&1
  # The keeper (a 64-bit program) opens the desktop, Wine's
  # "explorer /desktop", makes its ready file and sleeps until the session
  # ends. Without it the desktop starts with the first window of a program
  # and closes a few seconds after the last one: a program whose first
  # window came as the desktop was closing could not make it, and a 32-bit
  # program cannot start the desktop at all.
  if [ $# -ge 3 ]; then
    rm -f "$state/desktop.ready"
    setsid /usr/lib/wine/wine64 "$3" "Z:$state/desktop.ready" \
      </dev/null >"$state/keeper.log" 2>&1 &
    i=0
    while [ ! -f "$state/desktop.ready" ]; do
      sleep 0.2; i=$((i + 1))
      [ $i -gt 600 ] && { echo "the desktop did not start" >&2; exit 1; }
    done
  fi
  exit 0
  ;;
*)
  echo "usage: wine-session.sh start STATE_DIR [KEEPER_EXE] | stop STATE_DIR" >&2
  exit 2
  ;;
esac
