#!/usr/bin/env bash
# The native build on a Wayland compositor as GNOME's and KDE's sessions run
# it, headless on a virtual 1280x720 monitor. With the default driver it runs
# on the compositor's Xwayland: asked for 800x600 at 60 Hz, it is full screen
# (an emulated 800x600 mode, or stretched over the monitor), another
# workspace loses the device and leaves it idle, coming back restores it, and
# Escape ends it with exit code 0. With SDL's Wayland driver (--driver
# wayland) it starts in 800x600 and ends on SIGTERM with exit code 0. With
# --rate the monitor refreshes at that rate, and 800x600 at 60 Hz still starts.
#
# compositor_test.sh --native PROGRAM --compositor mutter|kwin [--driver x11|wayland]
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
  mutter) e2e_check_programs mutter gsettings dbus-run-session Xwayland xdotool xprop ;;
  kwin) e2e_check_programs kwin_wayland dbus-run-session Xwayland xdotool xprop ;;
  *) e2e_usage_error "unknown compositor $compositor" '--compositor NAME' ;;
esac
e2e_setup_run program.out

# The compositor starts a child with its displays in the environment; the
# child writes them down for this script.
e2e_desktop_settings
environment=$E2E_DIR/compositor.env
cat >"$E2E_DIR/child.sh" <<EOF
#!/bin/sh
echo "DISPLAY=\$DISPLAY WAYLAND_DISPLAY=\$WAYLAND_DISPLAY XAUTHORITY=\$XAUTHORITY" >"$environment.part"
mv "$environment.part" "$environment"
exec sleep 3600
EOF
chmod +x "$E2E_DIR/child.sh"
case "$compositor" in
  mutter)
    dbus-run-session -- sh -c 'gsettings set org.gnome.mutter dynamic-workspaces false &&
      gsettings set org.gnome.desktop.wm.preferences num-workspaces 2 &&
      exec mutter --headless --wayland --virtual-monitor "1280x720@$1" -- "$2"' sh "$rate" "$E2E_DIR/child.sh" \
      >"$E2E_DIR/compositor.out" 2>&1 &
    ;;
  kwin)
    # A copy without the file capability the installed one carries, which a
    # container may not grant.
    cp "$(command -v kwin_wayland)" "$E2E_DIR/kwin_wayland"
    printf '%s\n' '[Desktops]' 'Number=2' 'Rows=1' >"$XDG_CONFIG_HOME/kwinrc"
    dbus-run-session -- "$E2E_DIR/kwin_wayland" --virtual --xwayland --width 1280 --height 720 \
      --socket walkthrough-kwin "$E2E_DIR/child.sh" >"$E2E_DIR/compositor.out" 2>&1 &
    ;;
esac
compositor_pid=$!
stop_compositor() {
  pkill -P "$compositor_pid" 2>/dev/null
  kill "$compositor_pid" 2>/dev/null
  wait "$compositor_pid" 2>/dev/null
}
# The run's own status, not the compositor's, decides what the run ends with.
trap 'status=$?; stop_compositor; (exit "$status"); e2e_finish_run' EXIT
e2e_wait_for 30 test -s "$environment" || { e2e_fail "$compositor did not start"; exit 1; }
read -r display wayland xauthority <"$environment"
export "${display?}" "${wayland?}" "${xauthority?}"
[ "$driver" = wayland ] || e2e_wait_for 20 xset q || { e2e_fail "no Xwayland display"; exit 1; }
e2e_log "$compositor: $DISPLAY $WAYLAND_DISPLAY at $rate Hz"

workdir=$E2E_DIR/work
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
printf '800 600 60\r\n' >"$workdir/settings.ini"
(cd "$workdir" && exec env SDL_VIDEODRIVER="$driver" "$E2E_NATIVE") >"$E2E_DIR/program.out" 2>&1 &
E2E_PROGRAM_PID=$!
E2E_PROGRAM_KIND=native
e2e_log "started $E2E_NATIVE with SDL's $driver driver (pid $E2E_PROGRAM_PID)"
e2e_wait_for_log_line "$workdir/log.txt" "Successfully loaded Models\\Skybox\\Skybox.x" "$E2E_START_TIMEOUT" || exit 1
e2e_log_messages "$workdir/log.txt" | grep -qxF -- "-> 800x600 @ 60Hz" ||
  { e2e_fail "800x600 at 60 Hz was not the mode taken"; exit 1; }

if [ "$driver" = wayland ]; then
  sleep 1
  e2e_program_running || { e2e_fail "the program ended"; exit 1; }
  kill -TERM "$E2E_PROGRAM_PID"
  e2e_wait_for_exit 10 || exit 1
  [ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
  e2e_log "PASS"
  exit 0
fi

e2e_wait_for_window "D3D Window" 20 || exit 1
count_messages() { # TEXT
  e2e_log_messages "$workdir/log.txt" | grep -cxF -- "$1"
}
# Full screen: the window fills the emulated mode's monitor, or the whole one.
full_screen() {
  local geometry emulated
  xprop -id "$E2E_WINDOW" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN || return 1
  geometry=$(xwininfo -id "$E2E_WINDOW" | sed -n 's/^ *-geometry \([0-9]*x[0-9]*\)+0+0$/\1/p')
  emulated=$(xprop -id "$E2E_WINDOW" _XWAYLAND_RANDR_EMU_MONITOR_RECTS | sed -n 's/.* = 0, 0, \([0-9]*\), \([0-9]*\)$/\1x\2/p')
  [ "$geometry" = 1280x720 ] || { [ "$geometry" = 800x600 ] && [ "$emulated" = 800x600 ]; }
}
e2e_wait_for 20 full_screen || { e2e_fail "not full screen: $(xprop -id "$E2E_WINDOW" _NET_WM_STATE)"; exit 1; }
e2e_log "full screen: $(xwininfo -id "$E2E_WINDOW" | sed -n 's/^ *-geometry //p'), emulated $(xprop -id "$E2E_WINDOW" _XWAYLAND_RANDR_EMU_MONITOR_RECTS | sed 's/.*= //')"

# Away on the second workspace: lost, and idle.
xdotool set_desktop 1
e2e_wait_for_log_line "$workdir/log.txt" "Direct3D device lost." 20 || exit 1
before=$(awk '{ print $14 + $15 }' "/proc/$E2E_PROGRAM_PID/stat")
sleep 2
ticks=$(($(awk '{ print $14 + $15 }' "/proc/$E2E_PROGRAM_PID/stat") - before))
e2e_log "while away: $ticks ticks of processor time in 2s ($(getconf CLK_TCK) a second)"
((ticks * 5 < $(getconf CLK_TCK) * 2)) || { e2e_fail "the program worked while away: $ticks ticks"; exit 1; }
[ "$(count_messages "Direct3D device restored.")" -eq 0 ] || { e2e_fail "restored while away"; exit 1; }

# Back: restored, full screen again.
xdotool set_desktop 0
e2e_wait_for_log_line "$workdir/log.txt" "Direct3D device restored." 20 || exit 1
e2e_wait_for 20 full_screen || { e2e_fail "not full screen after coming back"; exit 1; }

e2e_focus_window
e2e_hold_key Escape 200
e2e_wait_for_exit 30 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
[ "$(e2e_log_messages "$workdir/log.txt" | tail -n 1)" = "Terminating... bye!" ] ||
  { e2e_fail "the log does not end with Escape's line"; exit 1; }
if grep -n 'X error' "$E2E_DIR/program.out" >&2; then
  e2e_fail "X errors on $compositor"
  exit 1
fi
e2e_log "PASS"
