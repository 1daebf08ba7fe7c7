#!/usr/bin/env bash
# Checks the README's two commands the way a fresh Debian 12 machine runs
# them: a clean root made with debootstrap (with /proc, /sys and /dev bound
# in), the committed tree copied into it, then `bash tools/run.sh` and
# `bash tools/test.sh` inside it as root. Nothing installed by hand on this
# machine can hide a missing step there. Needs root and about 15 GB; takes
# some twenty minutes on two cores.
#
# With --deb, the Debian package instead (made by `cmake --build --preset
# linux --target package`): `apt install ./walkthrough_*.deb` in the clean
# root must bring everything it needs, and the desktop entry's command, run
# there by a new user on a private virtual display of this machine (the e2e
# tools), must show the scene and end on Escape with exit code 0. A few
# minutes; about 1 GB.
#
#   tools/fresh-machine-check.sh [ROOT_FOLDER]   (default /var/tmp/walkthrough-fresh-root)
#   tools/fresh-machine-check.sh --deb PACKAGE.deb [ROOT_FOLDER]
#
# The folder is made anew each time; it is left for inspection afterwards
# (the test command's output is in ROOT_FOLDER/root/test.log, apt's in
# ROOT_FOLDER/root/apt.log).
set -euo pipefail
cd "$(dirname "$0")/.."

deb=""
if [ "${1:-}" = --deb ]; then
  deb=$(realpath "${2:?--deb needs a .deb file}")
  [ -f "$deb" ] || { echo "fresh-machine-check: no file $deb" >&2; exit 2; }
  shift 2
fi
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

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

if [ -n "$deb" ]; then
  cp "$deb" "$root/root/"
  echo "fresh-machine-check: apt install ./$(basename "$deb")"
  in_root sh -c "apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y /root/$(basename "$deb")" \
    >"$root/root/apt.log" 2>&1 || { tail -n 30 "$root/root/apt.log" >&2; echo "fresh-machine-check: apt FAILED" >&2; exit 1; }
  command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/walkthrough.desktop")
  [ -n "$command" ] || { echo "fresh-machine-check: the desktop entry has no Exec" >&2; exit 1; }
  in_root useradd --create-home player || exit 1
  # The e2e library's functions report failures themselves: each is checked here.
  set +e
  # The display runs here; the root's programs reach it through its abstract socket.
  # shellcheck source=e2e-lib.sh
  source tools/e2e-lib.sh
  e2e_require_tools
  E2E_WORK_ROOT=$root.e2e
  E2E_KEEP=true
  e2e_setup_run program.out
  trap 'status=$?; e2e_cleanup; unmount_all; exit "$status"' EXIT
  e2e_start_display || exit 1
  log=$root/home/player/.local/share/walkthrough/log.txt
  echo "fresh-machine-check: $command as player"
  (exec chroot "$root" runuser -u player -- env -i HOME=/home/player PATH=/usr/bin:/bin:/usr/games DISPLAY="$DISPLAY" \
    "$command") >"$E2E_DIR/program.out" 2>&1 &
  E2E_PROGRAM_PID=$! E2E_PROGRAM_KIND=native
  if ! e2e_wait_for_window_or_exit "D3D Window" 60 || [ -z "$E2E_WINDOW" ]; then
    cat "$E2E_DIR/program.out" >&2
    echo "fresh-machine-check: no window (see $log)" >&2
    exit 1
  fi
  e2e_wait_for 60 sh -c "[ \$(grep -c 'Successfully loaded Models' '$log') -eq 4 ]" ||
    { tr -d '\r' <"$log" >&2; echo "fresh-machine-check: the four models did not load" >&2; exit 1; }
  e2e_wait_for_drawn_screen 60 || exit 1
  e2e_focus_window
  e2e_hold_key Escape 200
  e2e_wait_for_exit 20 || exit 1
  [ "$E2E_EXIT_CODE" -eq 0 ] || { cat "$E2E_DIR/program.out" >&2; echo "fresh-machine-check: exit code $E2E_EXIT_CODE" >&2; exit 1; }
  echo "fresh-machine-check: PASS ($(grep -c '^Unpacking ' "$root/root/apt.log") packages unpacked by apt)"
  exit 0
fi

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
