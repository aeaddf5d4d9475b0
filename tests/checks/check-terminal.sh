#!/bin/sh
# Runs timeinfo in a pseudo-terminal (a private tmux server) and presses one
# key: a letter, cursor and function keys that send escape sequences, a lone
# ESC, Ctrl+C and a UTF-8 character. Each must end the program with exit
# code 0, restore the terminal and leave no byte for the next reader. A
# native program is also ended by SIGHUP, SIGINT and SIGTERM while it waits:
# it must die of that signal with the terminal restored; a SIGHUP that its
# parent ignores must leave it waiting for the key. Then the program must end
# by itself with its input at end of file.
#   check-terminal.sh PATH_TO_TIMEINFO [WINE_STATE_DIR [win32]]
# With a Wine state directory the program is a Windows one, run by wine64
# with that prefix (with win32: by Wine's 32-bit loader under qemu-i386, as
# cmake/wine32-session.sh set it up): its key then comes through the
# console's _getch. Wine's
# console reads a terminal's F1, Home and lone ESC as no key at all, and
# turns Ctrl+C into a break, so there only the keys it passes on are
# pressed. The 32-bit program, whose every start is emulated, gets one key
# with an escape sequence and /dev/null: the 64-bit run covers the other
# keys and inputs with the same code.
set -u
prog=$1
# The heading and the prompt, as the stored shape of the report holds them.
shape="$(dirname "$0")/../testdata/timeinfo.labels"
heading=$(sed -n 2p "$shape" | tr -d '\r')
prompt=$(sed -n '$p' "$shape" | tr -d '\r')
days=$(grep 'Days until' "$shape" | tr -d '\r' | sed 's/V$//')
keys="x Up F1 Escape C-c Home utf8"
# The exit status a shell reports for a program ended by each signal; 0:
# the signal is ignored, and a key press follows.
signals="HUP:129 INT:130 TERM:143 HUP:0"
inputs="/dev/null empty-pipe"
wine_state=${2:-}
if [ $# -ge 2 ]; then
  export WINEPREFIX="$2/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  keys="x Up Down utf8"
  if [ "${3:-}" = win32 ]; then
    loader="$2/loader/lib/wine"
    set -- "$loader/wine-preloader" "$loader/wine.elf" "$prog"
    keys=Up inputs=/dev/null
  else
    set -- /usr/lib/wine/wine64 "$prog"
  fi
  signals=
else
  set -- "$prog"
fi
work=$(mktemp -d) || exit 1
# A private tmux server, whose socket goes with the work directory.
tm() { tmux -S "$work/tmux" -f /dev/null "$@"; }
pidfile=$work/pid
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
status=0
fail() { echo "FAIL: $*"; status=1; }

# Polls the pane of session $s until it shows TEXT, for at most 120 s (a
# 32-bit program's start under emulation takes several seconds).
wait_for() {
  i=0
  while ! tm capture-pane -p -t "$s" -S - | grep -qF -- "$1"; do
    i=$((i + 1))
    [ $i -ge 1200 ] && return 1
    sleep 0.1
  done
  return 0
}

# After the program: did it end well, is the terminal as before, and what
# is left to read (bash's read -n takes whatever is there within 1 s)? The
# pane then stays as it is for ten minutes, however slowly the check reads
# it, or until the server is ended at the end of the check.
# Under Wine the terminal belongs to Wine's console host, a process of its
# own that puts the terminal back a moment after the program has ended: the
# check then waits up to 10 s for it. A native program has put it back
# before it exits. The program's process id goes to $pidfile.
settle=0
[ -n "$wine_state" ] && settle=100
runner='before=$(stty -g)
sh -c '\''echo $$ >"$0"; [ -e "$0.ignore" ] && trap "" HUP; exec "$@"'\'' \
  "'$pidfile'" "$0" "$@"; rc=$?
i=0; while [ "$(stty -g)" != "$before" ] && [ $i -lt '$settle' ]; do
  i=$((i + 1)); sleep 0.1; done
after=$(stty -g)
[ "$before" = "$after" ] && tty=same || tty=changed
IFS= read -r -s -n 64 -t 1 left
printf "\nrc=%s tty=%s left=[%q]\n" "$rc" "$tty" "$left"; echo END; exec sleep 600'

n=0
for key in $keys $signals; do
  # A session per key: the server stays up until the end.
  n=$((n + 1))
  s="k$n"
  rm -f "$pidfile" "$pidfile.ignore"
  [ "$key" = HUP:0 ] && : >"$pidfile.ignore"
  tm new-session -d -s "$s" -x 120 -y 50 bash --norc --noprofile -c "$runner" "$@" ||
    { fail "$key: tmux did not start"; continue; }
  if ! wait_for "$prompt"; then
    fail "$key: no prompt"; tm capture-pane -p -t "$s"; continue
  fi
  # Wine's console host sets the terminal up on its own; on a slow run
  # (the 32-bit build under emulation) the prompt can show before it has,
  # and the terminal would echo the key.
  [ -n "$wine_state" ] && sleep 3
  ending="rc=0 tty=same left=['']"
  if [ "$key" = utf8 ]; then
    tm send-keys -t "$s" -l "é"
  elif [ "${key#*:}" != "$key" ]; then
    kill -s "${key%:*}" "$(cat "$pidfile")"
    ending="rc=${key#*:} tty=same left=['']"
    [ "$key" = HUP:0 ] && tm send-keys -t "$s" x
  else
    tm send-keys -t "$s" "$key"
  fi
  if ! wait_for "END"; then
    fail "$key: the program did not end"; tm capture-pane -p -t "$s"; continue
  fi
  pane=$(tm capture-pane -p -t "$s" -S -)
  echo "$pane" | grep -qxF "$ending" ||
    { fail "$key: wrong ending"; echo "$pane"; continue; }
  echo "$pane" | grep -qxF "$heading" || fail "$key: no heading"
  echo "$pane" | grep -q "^$days[0-9][0-9]*\$" || fail "$key: no days line"
  # The key is not echoed and the prompt line ends right after the prompt
  # (after a signal the shell's report of it follows the prompt).
  [ "${key#*:}" = "$key" ] &&
    ! echo "$pane" | grep -qxF "$prompt" &&
    { fail "$key: prompt line"; echo "$pane"; }
  echo "ok: $key"
done

# No terminal and nothing to read: the program ends on its own.
for input in $inputs; do
  if [ "$input" = /dev/null ]; then
    out=$(timeout 180 "$@" </dev/null); rc=$?
  else
    out=$(: | timeout 180 "$@"); rc=$?
  fi
  [ $rc -eq 0 ] || fail "$input: exit code $rc"
  case "$out" in
    *"$prompt"*) echo "ok: $input" ;;
    *) fail "$input: no prompt" ;;
  esac
done
exit $status
