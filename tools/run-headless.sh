#!/usr/bin/env bash
# Runs the native walk-through from the repository root inside a private
# virtual display (Xorg with the dummy driver and its 800x600/1024x768/1280x720
# modes), takes two screenshots and quits with Escape:
#   start.png  the starting view
#   walk.png   after walking forward and turning
# in build/screenshots, or in the committed screenshots/ with --update-screenshots.
# Usage: run-headless.sh PROGRAM [--update-screenshots]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$1")
shots=$root/build/screenshots
[ "${2:-}" = --update-screenshots ] && shots=$root/screenshots
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
mkdir -p "$shots"

e2e_start_program native "$program" "$root"
if ! e2e_wait_for_window_or_exit "D3D Window" 30 || [ -z "$E2E_WINDOW" ]; then
  e2e_wait_for_exit 10
  echo "walkthrough ended before showing its window (exit code ${E2E_EXIT_CODE:-?}); see log.txt"
  exit 1
fi
e2e_wait_for_drawn_screen 30 || exit 1
# Past the first frames-per-second sample, so the overlay shows a figure.
sleep 2
e2e_screenshot "$shots/start.png"

e2e_focus_window
e2e_hold_key w 1500
e2e_move_mouse 120 0
sleep 0.3
e2e_hold_key w 1000
sleep 0.5
e2e_screenshot "$shots/walk.png"

# Held as a person does: keys are read once a frame, a brief tap can fall between two.
e2e_hold_key Escape 200
e2e_wait_for_exit 20 || exit 1
echo "walkthrough exited with code $E2E_EXIT_CODE"
echo "screenshots: ${shots#"$root"/}/start.png, ${shots#"$root"/}/walk.png; log: log.txt"
exit "$E2E_EXIT_CODE"
