#!/usr/bin/env bash
# Runs the native walk-through from the repository root inside a private
# virtual display (Xorg with the dummy driver and its 800x600/1024x768/1280x720
# modes), takes two screenshots and quits with Escape:
#   screenshots/start.png  the starting view
#   screenshots/walk.png   after walking forward and turning
# Usage: run-headless.sh PROGRAM
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$1")
# shellcheck source=e2e-lib.sh
source "$root/tools/e2e-lib.sh"
e2e_require_tools openbox

# Its logs (Xorg's, the program's output) stay in build/run.
E2E_WORK_ROOT=$root/build
E2E_KEEP=true
e2e_setup_run program.out
e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off
mkdir -p "$root/screenshots"

e2e_start_program native "$program" "$root"
if ! e2e_wait_for_window_or_exit "D3D Window" 30 || [ -z "$E2E_WINDOW" ]; then
  e2e_wait_for_exit 10
  echo "walkthrough ended before showing its window (exit code ${E2E_EXIT_CODE:-?}); see log.txt"
  exit 1
fi
e2e_wait_for_drawn_screen 30 || exit 1
# Past the first frames-per-second sample, so the overlay shows a figure.
sleep 2
e2e_screenshot "$root/screenshots/start.png"

e2e_focus_window
e2e_hold_key w 1500
e2e_move_mouse 120 0
sleep 0.3
e2e_hold_key w 1000
sleep 0.5
e2e_screenshot "$root/screenshots/walk.png"

e2e_key Escape
e2e_wait_for_exit 20 || exit 1
echo "walkthrough exited with code $E2E_EXIT_CODE"
echo "screenshots: screenshots/start.png, screenshots/walk.png; log: log.txt"
exit "$E2E_EXIT_CODE"
