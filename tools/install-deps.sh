#!/usr/bin/env bash
# Installs with apt whatever a fresh Debian 12 machine lacks for building,
# running and testing both builds. Does nothing when everything is there.
set -euo pipefail

packages=(
  # Build
  cmake ninja-build g++ pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  # Fuzzing (libFuzzer) and the reader benchmark's comparison
  clang libclang-rt-14-dev libassimp-dev
  # The format check
  clang-format
  # The engine comparison (tools/bench/side_by_side.sh)
  libirrlicht-dev
  # Windows cross build and its run under Wine
  g++-mingw-w64-x86-64 wine wine64
  # Portable platform layer
  libsdl2-dev libx11-dev libgl-dev libgl1-mesa-dri libegl-mesa0 libfreetype-dev libfontconfig-dev zlib1g-dev
  libspng-dev libjpeg62-turbo-dev
  fonts-liberation
  # Virtual displays and end-to-end tools
  xvfb xauth xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils x11-utils xdotool openbox wmctrl imagemagick
  # The desktops the end-to-end runs try: window managers, GNOME's and KDE's
  # (also as Wayland compositors, with sway and weston), and Xwayland
  i3-wm fluxbox xfwm4 dbus-daemon weston mutter libglib2.0-bin kwin-x11 kwin-wayland sway xwayland
  # Peak memory of each load in tools/hostile-folders.sh
  time
)

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
