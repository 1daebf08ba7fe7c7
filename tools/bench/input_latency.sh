#!/usr/bin/env bash
# The time from a key press or a mouse movement to the first frame on the
# screen that shows it, on the Xorg dummy display at 800x600, 60 Hz, seen
# from outside by latency_probe (XTest input stamped on the monotonic clock, a
# block of the screen on the ground, away from the overlay and the figure,
# read every half millisecond until it changes; before each input the key is
# released, the screen left to come to rest and a random part of a 60 Hz
# period waited). In each of ROUNDS rounds, in turn:
# - latency_reference, which changes colour DELAY_MS after each input: the
#   detector's check (the known delay next to what it measured);
# - ours native, with its frame stamps (WALKTHROUGH_FRAME_STAMPS);
# - ours Windows build under Wine;
# - the floor (floor_walk) and Irrlicht (irrlicht_walk --walk-with-w).
# Each takes INPUTS presses of W, and all but Irrlicht INPUTS mouse
# movements of 20 counts, right and left in turn. input_latency_report.py
# prints the detector's check, the table (median, p90, p99, max, n in ms;
# ours as ratios to the floor), each round's medians and, from the native
# program's stamps, the median of each stage of its road.
#   input_latency.sh --native PROGRAM (--windows PROGRAM.exe | --no-wine) --irrlicht PROGRAM
#                    [--floor PROGRAM] [--rounds N] [--inputs N] [--delay-ms MS] [--tools DIR]
#                    [--work-root DIR] [--keep]
# TOOLS is where first_frame, latency_probe, latency_reference and floor_walk
# are (default: the native program's folder's tools/). Wine runs in WINEPREFIX
# (default: the native program's folder's wineprefix-e2e).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e-lib.sh
source "$here/../e2e-lib.sh"
# shellcheck source=bench-programs.sh
source "$here/bench-programs.sh"
e2e_parse_args '--windows FILE' '--no-wine' '--irrlicht FILE' '--floor FILE' '--rounds N' '--inputs N' \
  '--delay-ms MS' '--tools DIR' -- "$@"
rounds=${E2E_OPTIONS[rounds]:-6}
inputs=${E2E_OPTIONS[inputs]:-40}
delay_ms=${E2E_OPTIONS[delay-ms]:-10}
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || e2e_usage_error "--rounds takes a whole number from 1"
[[ "$inputs" =~ ^[1-9][0-9]*$ ]] || e2e_usage_error "--inputs takes a whole number from 1"
[[ "$delay_ms" =~ ^[0-9]+$ ]] || e2e_usage_error "--delay-ms takes a whole number"
bench_choose_programs native wine floor irrlicht
programs=$BENCH_PROGRAMS irrlicht=$BENCH_IRRLICHT
e2e_check_programs openbox pgrep python3
[ -x "$irrlicht" ] || { e2e_fail "$irrlicht is not built (target irrlicht_walk; needs libirrlicht-dev)"; exit 2; }
tools=$(realpath "${E2E_OPTIONS[tools]:-$(dirname "$E2E_NATIVE")/tools}")
for tool in first_frame latency_probe latency_reference; do
  [ -x "$tools/$tool" ] || { e2e_fail "no $tool in $tools"; exit 2; }
done
probe=$tools/latency_probe
BENCH_FLOOR=$(realpath "${E2E_OPTIONS[floor]:-$tools/floor_walk}")
[ -x "$BENCH_FLOOR" ] || { e2e_fail "$BENCH_FLOOR is not built (target floor_walk)"; exit 2; }
BENCH_IRRLICHT=$(realpath "$irrlicht")
BENCH_IRRLICHT_ARGS=(--walk-with-w)
BENCH_FIRST_FRAME=$tools/first_frame
export WINEPREFIX=${WINEPREFIX:-$(dirname "$E2E_NATIVE")/wineprefix-e2e}

bench_setup_run program.out 20
e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off

# INPUTS inputs of one kind (key or motion) to what the screen shows; a few
# more before them settle the program and are not counted.
probe_inputs() { # KIND OUT
  "$probe" --input "$1" --count "$inputs" >"$2" || { e2e_fail "latency_probe --input $1 failed"; return 1; }
  local missed
  missed=$(awk '$2 < 0' "$2" | wc -l)
  e2e_log "$1: $(wc -l <"$2") inputs, $missed without a change seen"
}

# The reference: its window covers the screen and takes the focus itself.
check_detector() { # ROUND
  local round=$1 out=$E2E_DIR/reference-$1.txt pid
  "$tools/latency_reference" --delay-ms "$delay_ms" >"$out" 2>"$E2E_DIR/reference.err" &
  pid=$!
  e2e_wait_for 20 grep -qx ready "$out" || { e2e_fail "latency_reference did not show its window"; return 1; }
  xdotool mousemove 400 300
  probe_inputs key "$E2E_DIR/reference-key-$round.txt" || return 1
  probe_inputs motion "$E2E_DIR/reference-motion-$round.txt" || return 1
  xdotool key Escape
  e2e_wait_for 20 sh -c "! kill -0 $pid" || { e2e_fail "latency_reference did not end after Escape"; return 1; }
  wait "$pid"
}

# One start: W presses, then (but for Irrlicht) mouse movements.
measure() { # ROUND NAME
  local round=$1 name=$2 workdir=$E2E_DIR/work-$2
  local -a stamps=()
  [ "$name" != native ] || stamps=(WALKTHROUGH_FRAME_STAMPS="$E2E_DIR/frames-native-$round.txt")
  bench_start "$name" "$workdir" "${stamps[@]}" || return 1
  "$BENCH_FIRST_FRAME" 120 sky >/dev/null || { e2e_fail "$name: no first frame with the sky within 120 s"; return 1; }
  e2e_wait_for_window "$BENCH_WINDOW_NAME" 60 || return 1
  # Irrlicht's full-screen window is not managed: it grabs the keyboard itself.
  if [ "$name" != irrlicht ]; then
    e2e_focus_window
    e2e_wait_for_focus 20 || { e2e_fail "$name: the window does not hold the focus"; return 1; }
  fi
  probe_inputs key "$E2E_DIR/latency-$name-key-$round.txt" || return 1
  if [ "$name" != irrlicht ]; then probe_inputs motion "$E2E_DIR/latency-$name-motion-$round.txt" || return 1; fi
  bench_stop "$name"
}

for name in $programs; do e2e_prepare_workdir "$E2E_DIR/work-$name" "$E2E_SOURCE_ROOT"; done
if [[ " $programs " == *" wine "* ]]; then bench_keep_wine_server || exit 1; fi

for ((round = 1; round <= rounds; ++round)); do
  e2e_log "round $round of $rounds: the reference"
  check_detector "$round" || exit 1
  for name in $programs; do
    e2e_log "round $round of $rounds: $name"
    measure "$round" "$name" || exit 1
  done
done

python3 "$here/input_latency_report.py" "$E2E_DIR" "$delay_ms"
