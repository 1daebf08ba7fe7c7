#!/usr/bin/env bash
# End-to-end run of every way a user ends the program, each on a fresh start
# with a window manager: Escape, Alt+F4, the window manager's close button
# (wm-close), another client destroying the window (windowclose), and SIGTERM
# and SIGINT (native only: Wine ends a process on a signal at once). Each must
# exit with code 0, give the desktop mode back, and leave log.txt whole: every
# line time-stamped and ended with CR LF.
#
# ends_test.sh --native PROGRAM | --wine PROGRAM.exe [--ends "END ..."]
#              [--source-root DIR] [--work-root DIR] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--ends "END ..."' -- "$@"
ends=${E2E_OPTIONS[ends]:-}
if [ -z "$ends" ]; then
  ends="escape alt-f4 wm-close windowclose sigterm sigint"
  if [ "$E2E_KIND" = wine ]; then ends="escape alt-f4 wm-close"; fi
fi
e2e_check_programs openbox wmctrl
e2e_setup_run program.out 20

e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off

for end in $ends; do
  xrandr -s 1280x720 || { e2e_fail "could not set the desktop mode"; exit 1; }
  desktop_mode=$(e2e_current_mode)
  workdir=$E2E_DIR/$end
  e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
  e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
  e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || exit 1
  e2e_wait_for_drawn_screen 60 || exit 1
  e2e_focus_window
  case "$end" in
    escape) e2e_hold_key Escape 200 ;;
    alt-f4) e2e_key alt+F4 ;;
    wm-close) wmctrl -i -c "$E2E_WINDOW" ;;
    windowclose) xdotool windowclose "$E2E_WINDOW" ;;
    sigterm) kill -TERM "$E2E_PROGRAM_PID" ;;
    sigint) kill -INT "$E2E_PROGRAM_PID" ;;
    *) e2e_fail "unknown end $end"; exit 1 ;;
  esac
  e2e_wait_for_exit 60 || exit 1
  [ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "$end: exit code $E2E_EXIT_CODE"; exit 1; }
  e2e_wait_for_mode 1280x720 10 || { e2e_fail "$end: the display mode was not given back"; exit 1; }
  [ "$(e2e_current_mode)" = "$desktop_mode" ] || { e2e_fail "$end: mode $(e2e_current_mode)"; exit 1; }
  e2e_log_is_whole "$workdir/log.txt" || exit 1
  last=$(e2e_log_messages "$workdir/log.txt" | tail -n 1)
  if [ "$end" = escape ] && [ "$last" != "Terminating... bye!" ]; then
    e2e_fail "escape: the last line is \"$last\""
    exit 1
  fi
  e2e_log "$end: exit code 0, mode $desktop_mode given back, log whole ($(wc -l <"$workdir/log.txt") lines)"
done
e2e_log "PASS"
