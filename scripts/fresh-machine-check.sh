#!/bin/sh
# Runs one of the kit's two commands on a brand-new minimal Debian 12, as a
# new user's first run would:
#   fresh-machine-check.sh                   the main job (sh scripts/main-job.sh)
#   fresh-machine-check.sh --test-command    the whole test command
#   fresh-machine-check.sh --refresh ...     makes the cached root again
#
# The root comes from `mmdebstrap --variant=minbase bookworm` (package
# mmdebstrap), made once and kept as build/fresh-machine/bookworm-minbase.tar;
# every run unpacks a new copy of it. Its apt uses the host's sources and
# Acquire:: settings (mirror, proxy) and the host's resolv.conf. A clone of
# the checkout's current commit (HEAD: changes not committed are not in it)
# goes to /root/tk_kit, and the command runs there through chroot with a
# clean environment, /dev, /dev/pts, /proc and /sys bound, in mount and PID
# namespaces of its own: when the run ends or is ended, every process of it
# ends and its mounts go away with the namespaces. The root is then removed
# (rm --one-file-system, and only once nothing is mounted below it).
#
# The main job passes when it ends with 0 and the release archive holds the
# four programs. The output goes to build/fresh-machine/RUN.log and is shown
# as it comes. Exit status: 0 passed, 1 failed, 77 skipped (not root, no
# mounts or chroot allowed here, or already inside such a root).
set -u
usage() {
  echo "usage: fresh-machine-check.sh [--test-command] [--refresh]" >&2
  exit 2
}

# --inside ROOT COMMAND: the part that runs in the new namespaces (PID 1).
if [ "${1:-}" = --inside ]; then
  root=$2 command=$3
  set -e
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
  mount -t proc proc "$root/proc"
  mount --bind /sys "$root/sys"
  set +e
  env=""
  [ -z "${CI:-}" ] || env="CI=$CI"
  [ -z "${TERM:-}" ] || env="$env TERM=$TERM"
  # shellcheck disable=SC2086
  chroot "$root" /usr/bin/env -i \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root USER=root LOGNAME=root SHELL=/bin/sh LANG=C.UTF-8 \
    TK_FRESH_ROOT=1 $env \
    sh -c 'cd /root/tk_kit && exec sh "$0"' "$command" </dev/null
  status=$?
  for m in sys proc dev/shm dev/pts dev; do
    umount "$root/$m" || umount -l "$root/$m"
  done
  exit $status
fi

mode=main-job
refresh=no
for arg in "$@"; do
  case $arg in
    --test-command) mode=test-command ;;
    --refresh) refresh=yes ;;
    *) usage ;;
  esac
done

cd "$(dirname "$0")/.." || exit 1
src=$(pwd)
say() { echo "fresh-machine-check: $*"; }
skip() {
  say "SKIPPED: $*"
  exit 77
}
fail() {
  say "FAILED: $*"
  exit 1
}

[ -z "${TK_FRESH_ROOT:-}" ] ||
  skip "this run is itself inside a fresh root made by this check"
[ "$(id -u)" -eq 0 ] ||
  skip "not root: making a root, mounting in it and chroot need root"
unshare --mount --pid --fork --kill-child --propagation private \
  sh -c 'mount -t tmpfs probe /mnt' 2>/dev/null ||
  skip "this machine allows no mount namespace or no mount (unshare --mount --pid failed)"
for tool in mmdebstrap git; do
  command -v $tool >/dev/null ||
    fail "$tool is not installed (Debian package $tool; sh scripts/install-deps.sh installs it)"
done
commit=$(git rev-parse HEAD) || fail "$src is not a git checkout"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  say "note: changes not committed are not part of this check"

work=$src/build/fresh-machine
mkdir -p "$work" || exit 1
tarball=$work/bookworm-minbase.tar

# Roots left by a run that was killed outright: their owner is gone, and
# with it their namespaces and mounts.
for old in "$work"/root.*; do
  [ -d "$old" ] || continue
  pid=${old##*.}
  kill -0 "$pid" 2>/dev/null && continue
  findmnt -rn -o TARGET | grep -qF "$old" && continue
  rm -rf --one-file-system "$old"
done

root=$work/root.$$
child=""
follower=""
cleanup() {
  # unshare passes INT and TERM on to the run's first process, which as
  # the PID namespace's init ignores them; killed, unshare takes it and with
  # it every process of the namespace along (--kill-child).
  [ -z "$child" ] || kill -KILL "$child" 2>/dev/null
  [ -z "$child" ] || wait "$child" 2>/dev/null
  [ -z "$follower" ] || wait "$follower" 2>/dev/null
  child="" follower=""
  [ -d "$root" ] || return 0
  # The mounts live in the run's own namespace; none may be seen here.
  # Should one be, it is unmounted, and the root stays if that fails.
  for m in $(findmnt -rn -o TARGET | grep -F "$root" | sort -r); do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
  for m in dev/pts dev/shm dev proc sys; do
    if mountpoint -q "$root/$m" 2>/dev/null; then
      say "$root/$m is still mounted: the root is left in place"
      return 1
    fi
  done
  if findmnt -rn -o TARGET | grep -qF "$root"; then
    say "something is still mounted below $root: the root is left in place"
    return 1
  fi
  rm -rf --one-file-system "$root"
}
trap 'cleanup' EXIT
trap 'say "interrupted"; exit 130' INT
trap 'say "terminated"; exit 143' TERM

start=$(date +%s)
if [ $refresh = yes ] || [ ! -f "$tarball" ]; then
  say "making the minimal Debian 12 root (mmdebstrap --variant=minbase bookworm)"
  # The host's sources and its apt settings for reaching them.
  set --
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
           /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -q '^[[:space:]]*[^#[:space:]]' "$f" && set -- "$@" "$f"
  done
  [ $# -gt 0 ] || set -- http://deb.debian.org/debian
  opts=""
  for f in /etc/apt/apt.conf /etc/apt/apt.conf.d/*; do
    [ -f "$f" ] && grep -q '^[[:space:]]*Acquire' "$f" && opts="$opts --aptopt=$f"
  done
  if cat "$@" 2>/dev/null | grep -q 'https://'; then
    opts="$opts --include=ca-certificates"
  fi
  rm -f "$tarball.new"
  # shellcheck disable=SC2086
  mmdebstrap --quiet --variant=minbase --format=tar $opts bookworm \
    "$tarball.new" "$@" >"$work/mmdebstrap.log" 2>&1 ||
    { cat "$work/mmdebstrap.log"; fail "mmdebstrap failed"; }
  mv "$tarball.new" "$tarball"
fi
mkdir "$root" || exit 1
tar -C "$root" --numeric-owner -xf "$tarball" || fail "cannot unpack $tarball"
rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
chroot "$root" /bin/true 2>/dev/null || skip "this machine does not allow chroot"

clone=$root/root/tk_kit
git init -q "$clone" &&
  git -C "$clone" fetch -q --depth=1 "file://$src" "$commit" &&
  git -C "$clone" checkout -q FETCH_HEAD || fail "cannot clone $commit"
ready=$(date +%s)

if [ $mode = main-job ]; then
  command=scripts/main-job.sh
else
  command=scripts/test-all.sh
fi
log=$work/$mode.log
say "sh $command on a fresh minimal Debian 12 root (commit $(git rev-parse --short HEAD)); log: $log"
: >"$log"
# setpriv: should this script be killed outright, unshare goes with it.
setpriv --pdeathsig KILL \
  unshare --mount --pid --fork --kill-child --propagation private \
  sh "$src/scripts/fresh-machine-check.sh" --inside "$root" "$command" \
  >"$log" 2>&1 </dev/null &
child=$!
tail -n +1 -f --pid="$child" "$log" &
follower=$!
wait "$child"
status=$?
child=""
wait "$follower"
follower=""
end=$(date +%s)

elapsed() { echo "$(($1 / 60)) min $(($1 % 60)) s"; }
took="in $(elapsed $((end - ready))) (the root was ready after $(elapsed $((ready - start))))"
[ $status -eq 0 ] || fail "sh $command ended with status $status $took"
if [ $mode = main-job ]; then
  release=$clone/build/release
  archive=$(ls "$release"/tk_kit-*-win32.zip 2>/dev/null | head -n 1)
  [ -n "$archive" ] || fail "the main job made no release archive in build/release"
  top=$(basename "$archive" .zip)
  listing=$(cmake -E tar tf "$archive") || fail "cannot read $archive"
  for tool in tksub deflib jumptest timeinfo; do
    echo "$listing" | grep -qx "$top/$tool.exe" ||
      fail "$tool.exe is not in $(basename "$archive")"
    [ -s "$release/bin/$tool.exe" ] || fail "build/release/bin/$tool.exe is missing"
  done
  # The README's examples, as written there, with the native tools that the
  # main job built.
  (cd "$clone/examples" &&
    ../build/native-release/bin/tksub myequate.equ mysource.asm myresult.asm >tksub.out &&
    cmp -s tksub.out "$clone/tests/testdata/myresult.out" &&
    cmp -s myresult.asm "$clone/tests/testdata/myresult.asm" &&
    printf 'printf\r\nputs\r\n' >mylib.txt &&
    DEFLIB_LIBRARIAN="echo librarian: " ../build/native-release/bin/deflib mylib.txt >deflib.out &&
    [ "$(cat deflib.out)" = "librarian: mylib.def" ] &&
    cmp -s mylib.def "$clone/tests/testdata/mylib.def") ||
    fail "the README's tksub and deflib examples do not run as written after the main job"
  say "PASSED: the main job built $(basename "$archive") with its four programs, and the README's examples ran, $took"
else
  say "PASSED: the test command $took"
fi
exit 0
