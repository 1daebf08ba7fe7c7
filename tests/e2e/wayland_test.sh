#!/usr/bin/env bash
# The native build on Wayland: weston, nested in the private X display (its
# X11 backend gives a seat with a keyboard and a pointer), runs the program
# with SDL's Wayland driver. No program may set a Wayland display's mode: the
# modes SDL lists are emulated by scaling, and the program takes its mode from
# them. Checks that it starts in 800x600, draws the scene and the overlay,
# walks forward on W, and ends with exit code 0 on Escape.
#
# wayland_test.sh --native PROGRAM [--source-root DIR] [--work-root DIR] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args -- "$@"
[ "$E2E_KIND" = native ] || e2e_usage_error "Wayland is for the native build"
e2e_check_programs weston
e2e_setup_run program.out

e2e_start_display || exit 1
xrandr -s 1024x768 || { e2e_fail "could not set the display's mode"; exit 1; }

# weston in a window of the X display, filling it.
export XDG_RUNTIME_DIR=$E2E_DIR/xdg
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
socket=walkthrough-wayland
weston --backend=x11-backend.so --width=1024 --height=768 --socket=$socket --idle-time=0 \
  >"$E2E_DIR/weston.out" 2>&1 &
weston_pid=$!
stop_weston() {
  kill "$weston_pid" 2>/dev/null
  wait "$weston_pid" 2>/dev/null
}
trap 'stop_weston; e2e_finish_run' EXIT
e2e_wait_for 20 test -S "$XDG_RUNTIME_DIR/$socket" || { e2e_fail "weston did not start"; exit 1; }
weston_window=""
e2e_wait_for 20 sh -c 'xdotool search --onlyvisible --class weston >/dev/null' &&
  weston_window=$(xdotool search --onlyvisible --class weston | head -n 1)
[ -n "$weston_window" ] || { e2e_fail "weston's window did not show"; exit 1; }
# Keys go where the X pointer is (there is no X window manager): into weston.
xdotool mousemove 512 384

workdir=$E2E_DIR/work
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
printf '800 600 60\r\n' >"$workdir/settings.ini"
(cd "$workdir" && exec env WAYLAND_DISPLAY=$socket SDL_VIDEODRIVER=wayland "$E2E_NATIVE") \
  >"$E2E_DIR/program.out" 2>&1 &
E2E_PROGRAM_PID=$!
E2E_PROGRAM_KIND=native
e2e_log "started $E2E_NATIVE on Wayland (pid $E2E_PROGRAM_PID)"
e2e_wait_for_log_line "$workdir/log.txt" "Successfully loaded Models\\Skybox\\Skybox.x" "$E2E_START_TIMEOUT" || exit 1
e2e_log_messages "$workdir/log.txt" | grep -qxF -- "-> 800x600 @ 60Hz" ||
  { e2e_fail "800x600 at 60 Hz was not the mode taken"; exit 1; }

# The overlay's yellow help lines, scaled from 800x600 to weston's 1024x768.
yellow_pixels() { # FILE
  convert "$1" -crop 460x60+0+0 +repage -fx "(r > 0.8 && g > 0.8 && b < 0.4) ? 1 : 0" \
    -format '%[fx:round(mean * w * h)]' info:
}
overlay_shown() {
  e2e_screenshot "$E2E_DIR/start.png" && [ "$(yellow_pixels "$E2E_DIR/start.png")" -gt 200 ]
}
e2e_wait_for 30 overlay_shown || { e2e_fail "the program's frames do not show"; exit 1; }
e2e_program_running || { e2e_fail "the program ended"; exit 1; }

# Walking forward changes the view below the overlay.
e2e_hold_key w 1000
e2e_screenshot "$E2E_DIR/walked.png" || exit 1
walked=$(e2e_changed_fraction "$E2E_DIR/start.png" "$E2E_DIR/walked.png" 160)
e2e_log "walking changed $walked of the view"
awk -v walked="$walked" 'BEGIN { exit !(walked > 0.05) }' || { e2e_fail "W did not walk"; exit 1; }

e2e_hold_key Escape 200
e2e_wait_for_exit 30 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
e2e_log_messages "$workdir/log.txt" | tail -n 1 | grep -qxF "Terminating... bye!" ||
  { e2e_fail "the log does not end with Escape's line"; exit 1; }
e2e_log "PASS"
