#!/usr/bin/env bash
# Checks the README's two commands the way a fresh Debian 12 machine runs
# them: a clean root made with debootstrap (with /proc, /sys and /dev bound
# in), the committed tree copied into it, then `bash tools/run.sh` and
# `bash tools/test.sh` inside it as root. Nothing installed by hand on this
# machine can hide a missing step there. Needs root and about 15 GB; takes
# some twenty minutes on two cores.
#
#   tools/fresh-machine-check.sh [ROOT_FOLDER]   (default /var/tmp/walkthrough-fresh-root)
#
# The folder is made anew each time; it is left for inspection afterwards
# (the test command's output is in ROOT_FOLDER/root/test.log).
set -euo pipefail
cd "$(dirname "$0")/.."

root=${1:-/var/tmp/walkthrough-fresh-root}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine-check: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap

mounts=(proc sys dev)
unmount_all() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; --i)); do
    if mountpoint -q "$root/${mounts[i]}"; then umount -l "$root/${mounts[i]}"; fi
  done
}
trap unmount_all EXIT

if [ -d "$root" ]; then
  unmount_all
  rm -rf --one-file-system "$root"
fi
echo "fresh-machine-check: debootstrap bookworm into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"

# The committed tree, as a clone of it would be.
mkdir -p "$root/root/walkthrough"
git archive --format=tar HEAD | tar -x -C "$root/root/walkthrough"
# The pictures in the tree must be made again by the run command.
rm -f "$root/root/walkthrough/screenshots/"*.png

echo "fresh-machine-check: bash tools/run.sh"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/walkthrough && bash tools/run.sh' >"$root/root/run.log" 2>&1 ||
  { tail -n 30 "$root/root/run.log" >&2; echo "fresh-machine-check: run.sh FAILED" >&2; exit 1; }
for shot in start walk; do
  [ -s "$root/root/walkthrough/screenshots/$shot.png" ] ||
    { echo "fresh-machine-check: run.sh left no screenshots/$shot.png" >&2; exit 1; }
done
echo "fresh-machine-check: bash tools/test.sh"
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/walkthrough && bash tools/test.sh' >"$root/root/test.log" 2>&1 || status=$?
tail -n 1 "$root/root/test.log"
if [ "$status" -ne 0 ]; then
  echo "fresh-machine-check: test.sh FAILED (see $root/root/test.log)" >&2
  exit 1
fi
grep -q '^tests: [0-9]* passed, 0 failed, 0 skipped$' <(tail -n 1 "$root/root/test.log") ||
  { echo "fresh-machine-check: the last line does not say 0 failed, 0 skipped" >&2; exit 1; }
echo "fresh-machine-check: PASS"
