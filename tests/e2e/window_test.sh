#!/usr/bin/env bash
# End-to-end run of the program on a private virtual display: it starts, its
# window "D3D Window" shows the scene, relative mouse motion turns the view and
# W moves it, and closing the window (Alt+F4, or Escape) ends the program with
# exit code 0 and a log that starts with "Log created.". A start-up that ends
# by itself (no display mode, no models) passes when it ends the same way.
#
# window_test.sh --native PROGRAM | --wine PROGRAM.exe
#                [--source-root DIR] [--work-root DIR] [--close alt-f4|escape]
#                [--window-manager] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--close alt-f4|escape' '--window-manager' -- "$@"
close_with=${E2E_OPTIONS[close]:-alt-f4}
window_manager=${E2E_OPTIONS[window-manager]:-false}
e2e_check_programs
e2e_setup_run program.out 20

e2e_start_display || exit 1
modes=$(e2e_display_modes)
for wanted in "800x600 59.86" "800x600 74.91" "1024x768 59.92" "1024x768 74.90" "1280x720 59.86"; do
  grep -qx "$wanted" <<<"$modes" || { e2e_fail "the display lacks the mode $wanted"; exit 1; }
done
if [ "$(wc -l <<<"$modes")" -ne 5 ]; then e2e_fail "the display offers other modes too: $modes"; exit 1; fi
if [ "$window_manager" = true ]; then e2e_start_window_manager || exit 1; fi
xset r off

workdir=$E2E_DIR/work
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
e2e_wait_for_log_line "$workdir/log.txt" "Log created." "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for_window_or_exit "D3D Window" "$E2E_START_TIMEOUT" || exit 1

# Rows at the top that hold the overlay text, which changes every second.
overlay_rows=120
# A turn or a step changes far more of the view than the spinning figure does.
changed_enough=0.05
shots=$E2E_DIR

if [ -n "$E2E_WINDOW" ]; then
  e2e_focus_window
  e2e_wait_for_drawn_screen 60
  drawn=$?
  if [ "$drawn" -eq 1 ]; then exit 1; fi
  if [ "$drawn" -eq 0 ]; then
    e2e_screenshot "$shots/started.png" || exit 1
    # Raw mouse motion turns the camera: 300 counts are 1.5 radians of yaw.
    e2e_move_mouse 300 0
    e2e_wait_for_screen_change "$shots/started.png" "$shots/turned.png" "$changed_enough" "$overlay_rows" 10 ||
      { e2e_fail "mouse motion did not turn the view"; exit 1; }
    # W walks forward while it is held.
    e2e_hold_key w 500
    e2e_wait_for_screen_change "$shots/turned.png" "$shots/walked.png" "$changed_enough" "$overlay_rows" 10 ||
      { e2e_fail "holding W did not move the view"; exit 1; }
    # Every other movement key, and motion both ways.
    for key in a s d Up Down Left Right Prior Next; do
      e2e_program_running || break
      e2e_hold_key "$key" 100
    done
    for step in "-300 0" "0 40" "0 -40"; do
      # shellcheck disable=SC2086
      e2e_move_mouse $step
    done
    e2e_screenshot "$shots/moved.png" || true
  fi
  if e2e_program_running; then
    case "$close_with" in
      alt-f4) e2e_key alt+F4 ;;
      # Held long enough for a frame to see it: the program reads keys once per frame.
      escape) e2e_hold_key Escape 200 ;;
      *) e2e_fail "unknown way to close: $close_with"; exit 1 ;;
    esac
  fi
fi

e2e_wait_for_exit 60 || exit 1
if [ "$E2E_EXIT_CODE" -ne 0 ]; then e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; fi
first_line=$(e2e_first_log_line "$workdir/log.txt")
case "$first_line" in
  *"Log created.") ;;
  *) e2e_fail "first log line is \"$first_line\""; exit 1 ;;
esac
if [ -n "$E2E_WINDOW" ] && [ "$close_with" = escape ]; then
  grep -qF "Terminating... bye!" "$workdir/log.txt" || { e2e_fail "Escape did not log its farewell"; exit 1; }
fi
e2e_log "log:"
tr -d '\r' <"$workdir/log.txt" >&2
e2e_log "PASS"
