#!/usr/bin/env bash
# The native build on a Wayland compositor as GNOME's and KDE's sessions and
# sway run it, headless on a virtual 1280x720 monitor. With the default
# driver it runs on the compositor's Xwayland: asked for 800x600 at 60 Hz, it
# is full screen (an emulated 800x600 mode, or stretched over the monitor),
# another workspace loses the device and leaves it idle, coming back restores
# it, and Escape ends it with exit code 0 (SIGTERM on sway, whose headless
# seat has no keyboard). With SDL's Wayland driver (--driver wayland) it
# starts in 800x600, loses the device on another workspace and is restored
# back (on mutter its window keeps the focus there: only the compositor's
# frame callbacks tell; on sway a virtual keyboard gives the seat its focus,
# and another window focused there loses it too, the program focused again
# restores it), and ends on SIGTERM with exit code 0. Last, a failed start
# (the level missing) ends with the failure line and leaves the compositor
# running. With --rate the monitor (mutter's, sway's) refreshes at that rate,
# and 800x600 at 60 Hz still starts. sway refuses to run as root: there the
# compositor and the program run as nobody.
#
# compositor_test.sh --native PROGRAM --compositor mutter|kwin|sway [--driver x11|wayland]
#                    [--rate HZ] [--source-root DIR] [--work-root DIR] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--compositor NAME' '--driver x11|wayland' '--rate HZ' -- "$@"
[ "$E2E_KIND" = native ] || e2e_usage_error "the compositors are tried with the native build" '--compositor NAME'
compositor=${E2E_OPTIONS[compositor]:-mutter}
driver=${E2E_OPTIONS[driver]:-x11}
rate=${E2E_OPTIONS[rate]:-60}
case "$compositor" in
  mutter) e2e_check_programs mutter gsettings dbus-run-session Xwayland xdotool xprop xwininfo ;;
  kwin) e2e_check_programs kwin_wayland dbus-run-session Xwayland xdotool xprop xwininfo ;;
  sway) e2e_check_programs sway swaymsg setpriv wtype weston-terminal xhost Xwayland xdotool xprop xwininfo ;;
  *) e2e_usage_error "unknown compositor $compositor" '--compositor NAME' ;;
esac
e2e_setup_run program.out

# The compositor starts a child with its displays in the environment; the
# child writes them down for this script. sway's user (nobody) gets a folder
# of its own, outside any folder nobody may not enter, with a copy of the
# program.
e2e_desktop_settings
run_as=()
home=$E2E_DIR
program=$E2E_NATIVE
if [ "$compositor" = sway ]; then
  home=$(mktemp -d "${TMPDIR:-/tmp}/walkthrough-sway.XXXXXX") || exit 1
  chmod 755 "$home"
  mkdir -p -m 700 "$home/xdg"
  cp "$E2E_NATIVE" "$home/walkthrough"
  program=$home/walkthrough
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$home" XDG_RUNTIME_DIR="$home/xdg"
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1)
fi
environment=$home/compositor.env
{
  echo '#!/bin/sh'
  echo "# sway's Xwayland lets in its own user only."
  echo '[ -z "$SWAYSOCK" ] || xhost +si:localuser:root >/dev/null'
  echo "echo \"DISPLAY=\$DISPLAY WAYLAND_DISPLAY=\$WAYLAND_DISPLAY XAUTHORITY=\$XAUTHORITY SWAYSOCK=\$SWAYSOCK\" >'$environment.part'"
  echo "mv '$environment.part' '$environment'"
  echo 'exec sleep 3600'
} >"$home/child.sh"
chmod 755 "$home/child.sh"
case "$compositor" in
  mutter)
    dbus-run-session -- sh -c 'gsettings set org.gnome.mutter dynamic-workspaces false &&
      gsettings set org.gnome.desktop.wm.preferences num-workspaces 2 &&
      exec mutter --headless --wayland --virtual-monitor "1280x720@$1" -- "$2"' sh "$rate" "$home/child.sh" \
      >"$E2E_DIR/compositor.out" 2>&1 &
    ;;
  kwin)
    # A copy without the file capability the installed one carries, which a
    # container may not grant.
    cp "$(command -v kwin_wayland)" "$E2E_DIR/kwin_wayland"
    printf '%s\n' '[Desktops]' 'Number=2' 'Rows=1' >"$XDG_CONFIG_HOME/kwinrc"
    dbus-run-session -- "$E2E_DIR/kwin_wayland" --virtual --xwayland --width 1280 --height 720 \
      --socket walkthrough-kwin "$home/child.sh" >"$E2E_DIR/compositor.out" 2>&1 &
    ;;
  sway)
    printf '%s\n' "output HEADLESS-1 mode 1280x720@${rate}Hz" 'xwayland enable' "exec $home/child.sh" >"$home/sway.conf"
    chown -R 65534:65534 "$home"
    "${run_as[@]}" sway -c "$home/sway.conf" >"$E2E_DIR/compositor.out" 2>&1 &
    ;;
esac
compositor_pid=$!
keyboard_pid= terminal_pid=
stop_compositor() {
  [ -z "$keyboard_pid" ] || kill "$keyboard_pid" 2>/dev/null
  [ -z "$terminal_pid" ] || kill "$terminal_pid" 2>/dev/null
  pkill -P "$compositor_pid" 2>/dev/null
  kill "$compositor_pid" 2>/dev/null
  wait "$compositor_pid" 2>/dev/null
}
# The run's own status, not the compositor's, decides what the run ends with.
trap 'status=$?; stop_compositor; [ "$home" = "$E2E_DIR" ] || rm -rf "$home"; (exit "$status"); e2e_finish_run' EXIT
e2e_wait_for 30 test -s "$environment" || { e2e_fail "$compositor did not start"; exit 1; }
read -r display wayland xauthority swaysock <"$environment"
export "${display?}" "${wayland?}" "${xauthority?}" "${swaysock?}"
[ "$driver" = wayland ] || e2e_wait_for 20 xset q || { e2e_fail "no Xwayland display"; exit 1; }
e2e_log "$compositor: $DISPLAY $WAYLAND_DISPLAY at $rate Hz"
# sway's headless seat has no keyboard, and without one no window holds the
# focus: a virtual keyboard (wtype's, held while it waits) gives it one.
if [ "$compositor" = sway ] && [ "$driver" = wayland ]; then
  "${run_as[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" wtype -s 3600000 -k Shift_L >"$E2E_DIR/keyboard.out" 2>&1 &
  keyboard_pid=$!
fi

# Without the sanitizer build's exit-time leak check, as e2e_start_program runs it.
start_program() { # WORKDIR
  (cd "$1" && exec "${run_as[@]}" env SDL_VIDEODRIVER="$driver" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$program") >"$E2E_DIR/program.out" 2>&1 &
  E2E_PROGRAM_PID=$!
  E2E_PROGRAM_KIND=native
  e2e_log "started $program in $1 with SDL's $driver driver (pid $E2E_PROGRAM_PID)"
}
make_workdir() { # DIR
  e2e_prepare_workdir "$1" "$E2E_SOURCE_ROOT"
  printf '800 600 60\r\n' >"$1/settings.ini"
  [ "${#run_as[@]}" -eq 0 ] || chown -R 65534:65534 "$1"
}

# A failed start (the level missing) ends with the failure line, and the
# compositor goes on.
failed_start() {
  local workdir=$home/failed
  make_workdir "$workdir"
  rm -f "$workdir/Models/Level/Level.x"
  start_program "$workdir"
  e2e_wait_for_exit "$E2E_START_TIMEOUT" || exit 1
  [ "$E2E_EXIT_CODE" -eq 1 ] || { e2e_fail "exit code $E2E_EXIT_CODE for a failed start"; exit 1; }
  e2e_log_messages "$workdir/log.txt" | tail -n 1 | grep -q '^FAILED: ' || { e2e_fail "no failure line"; exit 1; }
  sleep 1 # a crash would have come by now
  e2e_process_alive "$compositor_pid" || { e2e_fail "$compositor ended after a failed start"; exit 1; }
  e2e_log "a failed start left $compositor running"
}

count_messages() { # TEXT
  e2e_log_messages "$workdir/log.txt" | grep -cxF -- "$1"
}
more_messages() { # TEXT COUNT
  [ "$(count_messages "$1")" -gt "$2" ]
}
switch_workspace() { # NUMBER (0 the first)
  if [ "$compositor" = sway ]; then
    "${run_as[@]}" swaymsg -s "$SWAYSOCK" workspace "$(($1 + 1))" >/dev/null
  else
    xdotool set_desktop "$1"
  fi
}

# Away on the second workspace: lost, and idle; back: restored.
away_and_back() {
  local before ticks
  switch_workspace 1
  e2e_wait_for_log_line "$workdir/log.txt" "Direct3D device lost." 20 ||
    { [ "$compositor" = sway ] || e2e_log "on workspace $(xdotool get_desktop 2>&1)"; exit 1; }
  before=$(awk '{ print $14 + $15 }' "/proc/$E2E_PROGRAM_PID/stat")
  sleep 2 # the time measured
  ticks=$(($(awk '{ print $14 + $15 }' "/proc/$E2E_PROGRAM_PID/stat") - before))
  e2e_log "while away: $ticks ticks of processor time in 2s ($(getconf CLK_TCK) a second)"
  ((ticks * 5 < $(getconf CLK_TCK) * 2)) || { e2e_fail "the program worked while away: $ticks ticks"; exit 1; }
  [ "$(count_messages "Direct3D device restored.")" -eq 0 ] || { e2e_fail "restored while away"; exit 1; }
  switch_workspace 0
  e2e_wait_for_log_line "$workdir/log.txt" "Direct3D device restored." 20 || exit 1
}

# sway: another window focused on the same workspace loses the device;
# focusing the program again restores it.
other_window_and_back() {
  local lost
  lost=$(count_messages "Direct3D device lost.")
  "${run_as[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" weston-terminal >"$E2E_DIR/terminal.out" 2>&1 &
  terminal_pid=$!
  e2e_wait_for 20 "${run_as[@]}" swaymsg -s "$SWAYSOCK" '[title="Wayland Terminal"] focus' >/dev/null ||
    { e2e_fail "the other window never came"; exit 1; }
  e2e_wait_for 20 more_messages "Direct3D device lost." "$lost" ||
    { e2e_fail "not lost behind another window"; exit 1; }
  "${run_as[@]}" swaymsg -s "$SWAYSOCK" '[title="D3D Window"] focus' >/dev/null
  e2e_wait_for 20 more_messages "Direct3D device restored." 1 ||
    { e2e_fail "not restored when focused again"; exit 1; }
  e2e_log "lost behind another window, restored when focused again"
}

# --- The program ----------------------------------------------------------------
workdir=$home/work
make_workdir "$workdir"
start_program "$workdir"
e2e_wait_for_log_line "$workdir/log.txt" "Successfully loaded Models\\Skybox\\Skybox.x" "$E2E_START_TIMEOUT" || exit 1
e2e_log_messages "$workdir/log.txt" | grep -qxF -- "-> 800x600 @ 60Hz" ||
  { e2e_fail "800x600 at 60 Hz was not the mode taken"; exit 1; }

if [ "$driver" = wayland ]; then
  sleep 1 # drawing for a while
  e2e_program_running || { e2e_fail "the program ended"; exit 1; }
  # sway's headless seat gives no keyboard focus, without which nothing is restored.
  away_and_back
  [ "$compositor" != sway ] || other_window_and_back
  kill -TERM "$E2E_PROGRAM_PID"
  e2e_wait_for_exit 10 || exit 1
  [ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
  failed_start
  e2e_log "PASS"
  exit 0
fi

e2e_wait_for_window "D3D Window" 20 || exit 1
# Full screen: the window fills the emulated mode's monitor, or the whole one.
full_screen() {
  local geometry emulated
  xprop -id "$E2E_WINDOW" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN || return 1
  geometry=$(xwininfo -id "$E2E_WINDOW" | sed -n 's/^ *-geometry \([0-9]*x[0-9]*\)+0+0$/\1/p')
  emulated=$(xprop -id "$E2E_WINDOW" _XWAYLAND_RANDR_EMU_MONITOR_RECTS | sed -n 's/.* = 0, 0, \([0-9]*\), \([0-9]*\)$/\1x\2/p')
  [ "$geometry" = 1280x720 ] || { [ "$geometry" = 800x600 ] && [ "$emulated" = 800x600 ]; }
}
# The window is shown and placed once the compositor gives it the focus.
e2e_wait_for_focus 20 || { e2e_fail "the window never held the focus"; exit 1; }
e2e_wait_for 20 full_screen || { e2e_fail "not full screen: $(xprop -id "$E2E_WINDOW" _NET_WM_STATE)"; exit 1; }
e2e_log "full screen: $(xwininfo -id "$E2E_WINDOW" | sed -n 's/^ *-geometry //p'), emulated $(xprop -id "$E2E_WINDOW" _XWAYLAND_RANDR_EMU_MONITOR_RECTS | sed 's/.*= //')"

away_and_back
e2e_wait_for 20 full_screen || { e2e_fail "not full screen after coming back"; exit 1; }

if [ "$compositor" = sway ]; then
  kill -TERM "$E2E_PROGRAM_PID"
else
  e2e_focus_window
  e2e_hold_key Escape 200
fi
e2e_wait_for_exit 30 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
[ "$compositor" = sway ] || [ "$(e2e_log_messages "$workdir/log.txt" | tail -n 1)" = "Terminating... bye!" ] ||
  { e2e_fail "the log does not end with Escape's line"; exit 1; }
if grep -n 'X error' "$E2E_DIR/program.out" >&2; then
  e2e_fail "X errors on $compositor"
  exit 1
fi
failed_start
e2e_log "PASS"
