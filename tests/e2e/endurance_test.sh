#!/usr/bin/env bash
# A long run of the program on a private virtual display with a window
# manager: CYCLES minimise/activate device losses, each logged exactly once as
# lost and once as restored with drawing back on the screen after it; then
# SECONDS of random movement keys and mouse motion; then Escape. The program
# must end with exit code 0, give the desktop mode back, leave log.txt whole,
# print no sanitizer report, and keep its resident memory flat from the first
# tenth of the cycles on (at least 5, while the driver warms up), and after the
# first minute of input (the first third of a shorter run): it may grow by at
# most GROWTH_KB there; more is measured again as long, and fails when it grows
# again ("off": the figures are printed, not judged, as for a sanitizer build,
# which holds freed memory back). Prints the figures as "endurance: ..." lines.
#
# endurance_test.sh --native PROGRAM | --wine PROGRAM.exe [--cycles N] [--input-seconds S]
#                   [--growth-kb K] [--source-root DIR] [--work-root DIR] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--cycles N' '--input-seconds S' '--growth-kb K' -- "$@"
cycles=${E2E_OPTIONS[cycles]:-10}
input_seconds=${E2E_OPTIONS[input-seconds]:-30}
growth_kb=${E2E_OPTIONS[growth-kb]:-1024}
e2e_check_programs openbox
e2e_setup_run program.out 30

e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off
xdotool mousemove 640 360
xrandr -s 1280x720 || { e2e_fail "could not set the desktop mode"; exit 1; }
desktop_mode=$(e2e_current_mode)

workdir=$E2E_DIR/work
e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || exit 1
e2e_wait_for_drawn_screen 60 || exit 1
log=$workdir/log.txt

rss_kb() {
  awk '/^VmRSS:/ { print $2 }' "/proc/$E2E_PROGRAM_PID/status" 2>/dev/null
}

count_lines() {
  e2e_log_messages "$log" | grep -cxF -- "$1"
}

# Resident memory samples taken once the program settled. Growth is the
# median of the later half of them against the median of the earlier half:
# single samples move by some hundred kB either way, a leak moves the whole
# later half. A sample is the least of READINGS readings 0.2 s apart: after a
# restore, what is only in flight (a back buffer that a busy X server still
# holds) does not count, while leaked memory is in every reading.
samples=()
sample_rss() { # [READINGS]
  local rss least=""
  for _ in $(seq "${1:-1}"); do
    rss=$(rss_kb)
    if [ -n "$rss" ] && { [ -z "$least" ] || [ "$rss" -lt "$least" ]; }; then least=$rss; fi
    if [ "${1:-1}" -gt 1 ]; then sleep 0.2; fi
  done
  if [ -n "$least" ]; then samples+=("$least"); fi
}

median() {
  printf '%s\n' "$@" | sort -n | awk '{ value[NR] = $1 } END { print value[int((NR + 1) / 2)] }'
}

# Logs the growth over the samples; status 1 when it is over growth_kb, 2 when
# there are too few samples.
check_growth() { # WHAT
  local count=${#samples[@]} half early late growth
  if [ "$count" -lt 2 ]; then
    e2e_fail "$1: too few memory samples ($count)"
    return 2
  fi
  half=$((count / 2))
  early=$(median "${samples[@]:0:half}")
  late=$(median "${samples[@]:half}")
  growth=$((late - early))
  e2e_log "endurance: $E2E_KIND, $1: median RSS ${early} kB, then ${late} kB (${growth} kB, $count samples)"
  [ "$growth_kb" = off ] || [ "$growth" -le "$growth_kb" ]
}

# Judges the growth over the samples. Over the limit, MEASURE_AGAIN (a command)
# samples as long again, and a second growth fails: a leak grows again, while
# pools that grew once on a busy machine (a driver's, the allocator's) do not.
judge_growth() { # WHAT WHAT_AGAIN MEASURE_AGAIN...
  local what=$1 again=$2 status=0
  shift 2
  check_growth "$what" || status=$?
  if [ "$status" -ne 1 ]; then return "$status"; fi
  e2e_log "endurance: $E2E_KIND, $what: more than $growth_kb kB; measuring $again"
  samples=()
  "$@" || return 1
  check_growth "$again" ||
    { e2e_fail "$what and $again: the memory grew by more than $growth_kb kB twice running"; return 1; }
}

# --- Device losses -----------------------------------------------------------
# Cycles FROM to TO, sampling from cycle SAMPLED_FROM on.
loss_cycles() { # FROM TO SAMPLED_FROM
  local cycle
  for cycle in $(seq "$1" "$2"); do
    e2e_device_loss_cycle "$log" "$cycle" || return 1
    e2e_wait_for_drawn_screen 20 || { e2e_fail "cycle $cycle: nothing drawn after the restore"; return 1; }
    if [ "$cycle" -ge "$3" ]; then sample_rss 5; fi
  done
  done_cycles=$2
}

settled_after=$(((cycles + 9) / 10))
((settled_after < 5)) && settled_after=5
((settled_after > cycles)) && settled_after=$cycles
started=$SECONDS
done_cycles=0
loss_cycles 1 "$cycles" "$settled_after" || exit 1
if [ "$cycles" -gt 0 ]; then
  sampled=$((cycles - settled_after + 1))
  judge_growth "cycles $settled_after-$cycles" "cycles $((cycles + 1))-$((cycles + sampled))" \
    loss_cycles $((cycles + 1)) $((cycles + sampled)) $((cycles + 1)) || exit 1
  lost=$(count_lines "Direct3D device lost.")
  restored=$(count_lines "Direct3D device restored.")
  if [ "$lost" -ne "$done_cycles" ] || [ "$restored" -ne "$done_cycles" ]; then
    e2e_fail "$lost losses and $restored restores for $done_cycles cycles"
    exit 1
  fi
  e2e_log "endurance: $E2E_KIND, $done_cycles device losses in $((SECONDS - started)) s, each lost and restored once"
fi

# --- Random input --------------------------------------------------------------
# Random movement keys with mouse motion for SECONDS, sampling after SETTLE.
random_input() { # SECONDS SETTLE
  local started=$SECONDS key
  while ((SECONDS - started < $1)); do
    if ((SECONDS - started >= $2)); then sample_rss; fi
    e2e_program_running || { e2e_fail "the program ended during the input"; return 1; }
    key=${keys[RANDOM % ${#keys[@]}]}
    xdotool keydown "$key"
    xdotool mousemove_relative -- $((RANDOM % 81 - 40)) $((RANDOM % 41 - 20))
    sleep "0.$((RANDOM % 3))$((RANDOM % 10))"
    xdotool keyup "$key"
    presses=$((presses + 1))
  done
}

if [ "$input_seconds" -gt 0 ]; then
  e2e_focus_window
  keys=(w a s d Up Down Left Right Prior Next)
  settle=$((input_seconds / 3 < 60 ? input_seconds / 3 : 60))
  started=$SECONDS
  samples=()
  presses=0
  random_input "$input_seconds" "$settle" || exit 1
  judge_growth "input after the first ${settle} s" "$((input_seconds - settle)) s of input more" \
    random_input $((input_seconds - settle)) 0 || exit 1
  e2e_log "endurance: $E2E_KIND, $presses random key presses with mouse motion in $((SECONDS - started)) s"
  # Still drawing: the view may rest after the input (no spinning figure in
  # sight, a steady frame rate), so turn it and look for the turn below the
  # overlay. The pitch goes to its limit and back by as much first: a level
  # view, half sky, changes with every turn wherever the input left the player.
  e2e_screenshot "$E2E_DIR/after-input.png" || exit 1
  e2e_move_mouse 0 1000
  e2e_move_mouse 0 -299
  e2e_move_mouse 300 0
  e2e_wait_for_screen_change "$E2E_DIR/after-input.png" "$E2E_DIR/later.png" 0.01 100 10 ||
    { e2e_fail "nothing is drawn after the input"; exit 1; }
fi

# --- The end ---------------------------------------------------------------------
# Escape once the window holds the focus in the program's mode: an activation
# still under way would switch the mode again after the program has gone
# (Wine), so a window that holds it is not activated again.
[ "$(xdotool getactivewindow 2>/dev/null)" = "$E2E_WINDOW" ] || e2e_focus_window
e2e_wait_for_focus 20 || { e2e_fail "the window does not hold the focus at the end"; exit 1; }
e2e_wait_for_mode 800x600 20 || exit 1
e2e_hold_key Escape 200
e2e_wait_for_exit 60 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
e2e_wait_for_mode 1280x720 30 || exit 1
[ "$(e2e_current_mode)" = "$desktop_mode" ] || { e2e_fail "mode $(e2e_current_mode) after the end"; exit 1; }
e2e_log_is_whole "$log" || exit 1
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$E2E_DIR/program.out"; then
  e2e_fail "a sanitizer report:"
  grep -E -A5 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$E2E_DIR/program.out" >&2
  exit 1
fi
e2e_log "PASS"
