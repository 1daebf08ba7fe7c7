#!/usr/bin/env bash
# Installs with apt whatever a fresh Debian 12 machine lacks. Does nothing
# when everything is there.
#
#   tools/install-deps.sh          building and running the program (tools/run.sh)
#                                  and the quick tests of the linux preset
#   tools/install-deps.sh --full   also everything CI runs (tools/test.sh): the
#                                  Windows build under Wine, the benchmarks, the
#                                  fuzzers, the desktops the end-to-end runs try
set -euo pipefail

packages=(
  # Build and the quick tests
  cmake ninja-build g++ pkg-config git libgtest-dev libgmock-dev python3
  clang-format
  # Portable platform layer
  libsdl2-dev libx11-dev libgl-dev libgl1-mesa-dri libegl1 libegl-mesa0 libfreetype-dev libfontconfig-dev
  zlib1g-dev libspng-dev libjpeg62-turbo-dev
  fonts-liberation
  # The virtual display tools/run.sh starts when there is none
  xauth xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils x11-utils xdotool openbox imagemagick
)

if [ "${1:-}" = --full ]; then
  packages+=(
    # Benchmarks, the reader benchmark's comparison, the latency benchmark's input
    libbenchmark-dev libassimp-dev libxtst-dev
    # Fuzzing (libFuzzer)
    clang libclang-rt-14-dev
    # The engine comparison (tools/bench/side_by_side.sh)
    libirrlicht-dev
    # Windows cross build and its run under Wine
    g++-mingw-w64-x86-64 wine wine64
    # Display tests on Xvfb; window listing in the end-to-end runs
    xvfb wmctrl
    # The desktops the end-to-end runs try: window managers, GNOME's and KDE's
    # (also as Wayland compositors, with sway and weston), and Xwayland; a
    # virtual keyboard for sway's headless seat (wtype)
    i3-wm fluxbox xfwm4 dbus-daemon weston mutter libglib2.0-bin kwin-x11 kwin-wayland sway xwayland wtype
    # Peak memory of each load in tools/hostile-folders.sh
    time
  )
elif [ $# -gt 0 ]; then
  echo "usage: tools/install-deps.sh [--full]" >&2
  exit 2
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
