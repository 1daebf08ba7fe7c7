#!/usr/bin/env bash
# The native program's frame pacing, taken from outside: a preloaded library
# (libswap_stamp.so) stamps every buffer swap while the player walks forward
# on the Xorg dummy display at 800x600, 60 Hz. Prints the intervals between
# swaps: their percentiles and the share within 1 ms of the frame interval.
#   frame_pacing.sh --native PROGRAM [--seconds N] [--stamp-library FILE]
#                   [--work-root DIR] [--keep]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e-lib.sh
source "$here/../e2e-lib.sh"
e2e_parse_args '--seconds N' '--stamp-library FILE' -- "$@"
seconds=${E2E_OPTIONS[seconds]:-20}
library=$(realpath "${E2E_OPTIONS[stamp-library]:-$(dirname "$E2E_PROGRAM")/tools/libswap_stamp.so}")
[ -f "$library" ] || e2e_usage_error "no stamp library at $library"
e2e_check_programs openbox
e2e_setup_run program.out 20

e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off
workdir=$E2E_DIR/work
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
stamps=$E2E_DIR/swaps.txt
export LD_PRELOAD=$library SWAP_STAMP_FILE=$stamps
e2e_start_program native "$E2E_PROGRAM" "$workdir" || exit 1
unset LD_PRELOAD SWAP_STAMP_FILE
e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for_drawn_screen 30 || exit 1
e2e_focus_window
xdotool keydown w
sleep "$seconds"
xdotool keyup w
e2e_key Escape
e2e_wait_for_exit 30 || exit 1
[ -s "$stamps" ] || { e2e_fail "no swaps were stamped"; exit 1; }

# The walk's intervals: the first two seconds (start-up, the first frames) and
# the last half second (the end) left out.
awk '{ t[NR] = $1 / 1e6 }
  END {
    first = 0
    for (i = 1; i <= NR; ++i) if (t[i] - t[1] >= 2000) { first = i; break }
    for (i = first + 1; first > 0 && i <= NR && t[i] <= t[NR] - 500; ++i) printf "%.3f\n", t[i] - t[i - 1]
  }' "$stamps" | sort -n >"$E2E_DIR/intervals.txt"
awk -v interval=16 '
  { d[NR] = $1; if ($1 >= interval - 1 && $1 <= interval + 1) ++near }
  END {
    if (NR == 0) { print "frame_pacing: too few frames"; exit 1 }
    printf "frame_pacing: %d intervals; median %.2f ms, p1 %.2f, p99 %.2f, max %.2f; within 1 ms of %d ms: %.1f%%\n",
           NR, d[int(NR / 2) + 1], d[int(NR * 0.01) + 1], d[int(NR * 0.99) + 0], d[NR], interval, 100 * near / NR
  }' "$E2E_DIR/intervals.txt"
