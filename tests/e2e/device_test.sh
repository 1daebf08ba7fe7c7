#!/usr/bin/env bash
# End-to-end run of the full-screen device on a private virtual display with
# several modes and a window manager:
# - the mode list is logged with the match marked, the display switches to
#   exactly 800x600 at 60 Hz while the program runs and gets its mode back after;
# - frames show the overlay: yellow help lines and white status lines where
#   they belong;
# - minimising and restoring the window several times gives exactly one
#   "Direct3D device lost." and one "Direct3D device restored." per cycle, and
#   the program keeps drawing;
# - a mode larger than the desktop's is shown on a screen grown to it, and
#   both are given back on Alt+F4;
# - a refresh rate the display lacks gives the mode lines, the failure line and
#   a non-zero exit code; so does a missing level model, after the crate's
#   line, and the display gets its mode back; a folder in place of
#   settings.ini is a file that cannot be opened; without any display the
#   native build fails at its window (the log holds only its first line), and
#   ends with exit code 1 when the display goes away while it draws.
# The run folder, WORK_ROOT/run, stays after a pass too, with the screenshots.
#
# device_test.sh --native PROGRAM | --wine PROGRAM.exe [--source-root DIR] [--work-root DIR] [--cycles N]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--cycles N' -- "$@"
cycles=${E2E_OPTIONS[cycles]:-3}
e2e_check_programs openbox
# The screenshots stay for a look after a pass too.
E2E_KEEP=true
e2e_setup_run

e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off
xdotool mousemove 400 300


count_lines() {
  e2e_log_messages "$1" | grep -cxF -- "$2"
}

# The desktop runs at 1280x720 before the program starts, so the switch shows.
xrandr -s 1280x720 || { e2e_fail "could not set the desktop mode"; exit 1; }
desktop_mode=$(e2e_current_mode)

# --- A mode the display lacks -------------------------------------------------
workdir=$E2E_DIR/missing-mode
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
printf '800 600 59\r\n' >"$workdir/settings.ini"
e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
e2e_wait_for_exit "$E2E_START_TIMEOUT" || exit 1
[ "$E2E_EXIT_CODE" -ne 0 ] || { e2e_fail "a missing mode ended as a success"; exit 1; }
expected_missing=$(printf '%s\n' "Log created." "Listing available modes for default adapter..." \
  "   800x600 @ 75Hz" "   800x600 @ 60Hz" "   1024x768 @ 75Hz" "   1024x768 @ 60Hz" "   1280x720 @ 60Hz" \
  "FAILED: Couldn't find appropriate adapter mode.")
if [ "$(e2e_log_messages "$workdir/log.txt")" != "$expected_missing" ]; then
  e2e_fail "log for a missing mode:"
  e2e_log_messages "$workdir/log.txt" >&2
  exit 1
fi

# --- No display at all: the window cannot be made, and nothing else is tried ----
if [ "$E2E_KIND" = native ]; then
  workdir=$E2E_DIR/no-display
  e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
  status=0
  (cd "$workdir" && exec env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 "$E2E_PROGRAM") >"$E2E_DIR/no-display.out" 2>&1 ||
    status=$?
  [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || { e2e_fail "exit code $status without a display"; exit 1; }
  [ "$(e2e_log_messages "$workdir/log.txt")" = "Log created." ] ||
    { e2e_fail "log without a display:"; e2e_log_messages "$workdir/log.txt" >&2; exit 1; }
fi

# --- A missing level model, and a folder in place of settings.ini ----------------
workdir=$E2E_DIR/missing-level
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
rm -f "$workdir/settings.ini"
mkdir "$workdir/settings.ini"
rm -f "$workdir/Models/Level/Level.x"
e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
e2e_wait_for_exit "$E2E_START_TIMEOUT" || exit 1
[ "$E2E_EXIT_CODE" -ne 0 ] || { e2e_fail "a missing level model ended as a success"; exit 1; }
expected_missing=$(printf '%s\n' "Log created." "Couldn't open settings file." \
  "Listing available modes for default adapter..." "   800x600 @ 75Hz" "-> 800x600 @ 60Hz" "   1024x768 @ 75Hz" "   1024x768 @ 60Hz" "   1280x720 @ 60Hz" \
  "Successfully loaded Models\\Crate\\Crate.x" "FAILED: Couldn't load mesh \"Models\\Level\\Level.x\".")
if [ "$(e2e_log_messages "$workdir/log.txt")" != "$expected_missing" ]; then
  e2e_fail "log without the level model:"
  e2e_log_messages "$workdir/log.txt" >&2
  exit 1
fi
[ "$(e2e_current_mode)" = "$desktop_mode" ] && e2e_shows_mode 1280x720 ||
  { e2e_fail "the mode was not given back after a failed start: $(e2e_current_mode), $(e2e_screen_size)"; exit 1; }

# --- A mode larger than the desktop's, ended with Alt+F4 -------------------------
xrandr -s 800x600 || { e2e_fail "could not set the desktop mode"; exit 1; }
workdir=$E2E_DIR/larger-mode
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
printf '1024 768 60\r\n' >"$workdir/settings.ini"
e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for_log_line "$workdir/log.txt" "Successfully loaded Models\\Skybox\\Skybox.x" "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for_mode 1024x768 20 || exit 1
e2e_wait_for_drawn_screen 60 || exit 1
e2e_focus_window
e2e_key alt+F4
e2e_wait_for_exit 60 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE after 1024x768"; exit 1; }
e2e_wait_for_mode 800x600 10 || exit 1
e2e_log "1024x768 from an 800x600 desktop, and back"
xrandr -s 1280x720 || { e2e_fail "could not set the desktop mode"; exit 1; }

# --- The full-screen device ---------------------------------------------------
workdir=$E2E_DIR/device
e2e_start_drawing_program "$workdir" || exit 1

mode_list=$(e2e_log_messages "$workdir/log.txt" | sed -n '3,7p')
expected_list=$(printf '%s\n' "   800x600 @ 75Hz" "-> 800x600 @ 60Hz" "   1024x768 @ 75Hz" "   1024x768 @ 60Hz" \
  "   1280x720 @ 60Hz")
[ "$mode_list" = "$expected_list" ] || { e2e_fail "mode list: $mode_list"; exit 1; }

running_mode=$(e2e_current_mode)
[ "$running_mode" = "800x600 59.86" ] || { e2e_fail "display mode while running is $running_mode"; exit 1; }
e2e_shows_mode 800x600 || { e2e_fail "the screen is $(e2e_screen_size) in 800x600"; exit 1; }
e2e_log "display switched from $desktop_mode to $running_mode"

# Past the first frames-per-second sample.
sleep 1.5
e2e_screenshot "$E2E_DIR/$E2E_KIND-frame.png" || exit 1

# Overlay colors, counted in the text rows: yellowish pixels (strong red and
# green, little blue) in the help lines, near-white ones in the status lines.
count_pixels() { # FILE GEOMETRY FX-CONDITION
  convert "$1" -crop "$2" +repage -fx "($3) ? 1 : 0" -format '%[fx:round(mean*w*h)]' info:
}
yellow='r > 0.8 && g > 0.8 && b < 0.4'
white='r > 0.85 && g > 0.85 && b > 0.85'
yellow_help=$(count_pixels "$E2E_DIR/$E2E_KIND-frame.png" 360x40+8+8 "$yellow")
white_status=$(count_pixels "$E2E_DIR/$E2E_KIND-frame.png" 200x40+8+53 "$white")
yellow_status=$(count_pixels "$E2E_DIR/$E2E_KIND-frame.png" 200x40+8+53 "$yellow")
e2e_log "overlay pixels: yellow help $yellow_help, white status $white_status, yellow in status rows $yellow_status"
[ "$yellow_help" -gt 200 ] || { e2e_fail "the help lines are not yellow"; exit 1; }
[ "$white_status" -gt 100 ] || { e2e_fail "the status lines are not white"; exit 1; }
[ "$yellow_status" -lt 10 ] || { e2e_fail "yellow text in the status rows"; exit 1; }

# --- Device loss and recovery ---------------------------------------------------
for cycle in $(seq 1 "$cycles"); do
  e2e_device_loss_cycle "$workdir/log.txt" "$cycle" || exit 1
  e2e_log "cycle $cycle: lost and restored"
done
lost=$(count_lines "$workdir/log.txt" "Direct3D device lost.")
restored=$(count_lines "$workdir/log.txt" "Direct3D device restored.")
if [ "$lost" -ne "$cycles" ] || [ "$restored" -ne "$cycles" ]; then
  e2e_fail "$lost losses and $restored restores for $cycles cycles"
  exit 1
fi

# Still drawing: the frames-per-second line keeps changing and the mode is back.
e2e_wait_for 10 sh -c "[ \"\$(xrandr --query | grep -c '\*')\" -ge 1 ]"
e2e_screenshot "$E2E_DIR/$E2E_KIND-after-loss.png" || exit 1
e2e_wait_for_screen_change "$E2E_DIR/$E2E_KIND-after-loss.png" "$E2E_DIR/$E2E_KIND-later.png" 0.0001 0 10 ||
  { e2e_fail "nothing is drawn after the device came back"; exit 1; }
[ "$(e2e_current_mode)" = "800x600 59.86" ] || { e2e_fail "mode after recovery is $(e2e_current_mode)"; exit 1; }

e2e_focus_window
e2e_hold_key Escape 200
e2e_wait_for_exit 60 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
e2e_wait_for_mode 1280x720 10 || exit 1
e2e_log "display mode given back: $(e2e_current_mode)"

# --- The display goes away while the program draws: it ends at once -----------
if [ "$E2E_KIND" = native ]; then
  e2e_start_drawing_program "$E2E_DIR/display-lost" || exit 1
  e2e_stop_window_manager
  e2e_stop_display
  e2e_wait_for_exit 10 || exit 1
  [ "$E2E_EXIT_CODE" -eq 1 ] || { e2e_fail "exit code $E2E_EXIT_CODE once the display was gone"; exit 1; }
fi
e2e_log "PASS"
