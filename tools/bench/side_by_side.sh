#!/usr/bin/env bash
# The program next to the same scene drawn by Irrlicht 1.8 (irrlicht_walk) and
# next to the floor (floor_walk: the least any program can do to show the
# scene with SDL2 and OpenGL), on the Xorg dummy display at 800x600, 60 Hz:
# the native build, the Windows build under Wine, Irrlicht and the floor,
# started in turn, ROUNDS times round. For each start:
# - launch to first frame: from the start to the first frame showing the sky,
#   seen from outside by first_frame (the same sign for all four);
# - memory: peak resident size (VmHWM) and the largest anonymous resident
#   size (RssAnon, sampled every 100 ms) of the process that is the program
#   (for Wine, the walkthrough.exe process; Wine's server is not counted);
# - CPU: user and system time of that process per second of a steady walk
#   (W held, 2 s after the walk began, for SECONDS; Irrlicht walks by itself;
#   the floor walks the same way as ours, drawing every frame), in % of one
#   core;
# - frame intervals during that walk, from the buffer swaps that the preloaded
#   libswap_stamp.so stamps: median, p1, p99, max, share within 1 ms of 16 ms.
# Prints a table of the medians over the rounds, ready to paste into Markdown,
# with the ratios of ours to the floor and to Irrlicht, then every round's
# figures. Then one more start each of the native build, the floor and
# Irrlicht, with libheap_report.so preloaded, gives the anonymous resident
# memory by owner (anon_breakdown), taken BREAKDOWN_AFTER seconds (default 3)
# after the first frame, standing: a table of the three side by side, then
# each one's owners in detail. --no-breakdown leaves that out. The figures
# and tables come from side_by_side_report.py, fed by the files written here.
#   side_by_side.sh --native PROGRAM (--windows PROGRAM.exe | --no-wine) --irrlicht PROGRAM
#                   [--floor PROGRAM] [--rounds N] [--seconds N] [--tools DIR]
#                   [--breakdown-after SECONDS] [--no-breakdown]
#                   [--work-root DIR] [--keep]
# TOOLS is where first_frame, floor_walk, anon_breakdown, libswap_stamp.so and
# libheap_report.so are (default: the native program's folder's tools/); the
# floor defaults to TOOLS/floor_walk. Wine runs in WINEPREFIX (default: the
# native program's folder's wineprefix-e2e); a first, unmeasured Wine start
# makes the prefix if needed and starts a Wine server that stays up between
# the starts.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e-lib.sh
source "$here/../e2e-lib.sh"
# shellcheck source=bench-programs.sh
source "$here/bench-programs.sh"
e2e_parse_args '--windows FILE' '--no-wine' '--irrlicht FILE' '--floor FILE' '--rounds N' '--seconds N' '--tools DIR' \
  '--breakdown-after SECONDS' '--no-breakdown' -- "$@"
rounds=${E2E_OPTIONS[rounds]:-3}
seconds=${E2E_OPTIONS[seconds]:-15}
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || e2e_usage_error "--rounds takes a whole number from 1"
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || e2e_usage_error "--seconds takes a whole number from 1"
breakdown_after=${E2E_OPTIONS[breakdown-after]:-3}
[[ "$breakdown_after" =~ ^[1-9][0-9]*$ ]] || e2e_usage_error "--breakdown-after takes a whole number from 1"
breakdown=true
[ "${E2E_OPTIONS[no-breakdown]:-}" != true ] || breakdown=false
bench_choose_programs native wine irrlicht floor
programs=$BENCH_PROGRAMS irrlicht=$BENCH_IRRLICHT
e2e_check_programs openbox pgrep python3
report_tool=$here/side_by_side_report.py
[ -x "$irrlicht" ] || { e2e_fail "$irrlicht is not built (target irrlicht_walk; needs libirrlicht-dev)"; exit 2; }
irrlicht=$(realpath "$irrlicht")
tools=$(realpath "${E2E_OPTIONS[tools]:-$(dirname "$E2E_NATIVE")/tools}")
first_frame=$tools/first_frame
stamp_library=$tools/libswap_stamp.so
[ -x "$first_frame" ] || { e2e_fail "no first_frame in $tools"; exit 2; }
[ -f "$stamp_library" ] || { e2e_fail "no libswap_stamp.so in $tools"; exit 2; }
floor=$(realpath "${E2E_OPTIONS[floor]:-$tools/floor_walk}")
[ -x "$floor" ] || { e2e_fail "$floor is not built (target floor_walk)"; exit 2; }
heap_report=$tools/libheap_report.so
anon_breakdown=$tools/anon_breakdown
if [ "$breakdown" = true ]; then
  [ -f "$heap_report" ] || { e2e_fail "no libheap_report.so in $tools"; exit 2; }
  [ -x "$anon_breakdown" ] || { e2e_fail "no anon_breakdown in $tools"; exit 2; }
fi
# The swaps are stamped with CLOCK_MONOTONIC; the kernel's timer list tells
# the script the same clock.
[ -r /proc/timer_list ] || e2e_cannot_run "/proc/timer_list is not readable (the monotonic clock for the walk's bounds)"
export WINEPREFIX=${WINEPREFIX:-$(dirname "$E2E_NATIVE")/wineprefix-e2e}
clock_ticks=$(getconf CLK_TCK)

BENCH_IRRLICHT=$irrlicht BENCH_FLOOR=$floor BENCH_FIRST_FRAME=$first_frame
bench_setup_run program.out 20

e2e_start_display || exit 1
e2e_start_window_manager || exit 1
xset r off

monotonic_ns() {
  awk '/^now at/ { print $3; exit }' /proc/timer_list
}

# utime + stime of a process, in clock ticks.
cpu_ticks() { # PID
  local stat
  stat=$(<"/proc/$1/stat") || return 1
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  echo $((${12} + ${13}))
}

# Samples VmHWM and RssAnon every 100 ms while the process lives; OUT holds
# "VmHWM largest-RssAnon" in kB from the last sample. It waits with read's
# timeout on a pipe nobody writes to, so that sampling starts no process to
# take the processor from the program it measures.
sample_memory() { # PID OUT
  local pid=$1 out=$2 key value hwm=0 anon=0 largest=0 idle
  exec {idle}<> <(:)
  while [ -r "/proc/$pid/status" ]; do
    {
      while read -r key value _; do
        case "$key" in
          VmHWM:) hwm=$value ;;
          RssAnon:) anon=$value ;;
        esac
      done <"/proc/$pid/status"
    } 2>/dev/null
    if ((anon > largest)); then largest=$anon; fi
    if ((hwm > 0)); then echo "$hwm $largest" >"$out"; fi
    read -r -t 0.1 -u "$idle" _
  done
  exec {idle}<&-
}

# Starts one program with PRELOAD (default: the swap stamps, into STAMPS);
# sets started (realtime ns), pid (the program's process) and window_name.
start() { # NAME WORKDIR STAMPS [PRELOAD]
  rm -f "$3"
  bench_start "$1" "$2" LD_PRELOAD="${4:-$stamp_library}" SWAP_STAMP_FILE="$3" || return 1
  started=$BENCH_STARTED pid=$BENCH_PID window_name=$BENCH_WINDOW_NAME
}

# Holds W down once the window holds the focus, and sees the view move: a
# press that comes while the new window's focus still settles is lost (losing
# the focus releases every key), so it is made again.
start_walk() { # NAME
  local name=$1 attempt
  for attempt in 1 2 3; do
    e2e_focus_window
    e2e_wait_for_focus 20 || { e2e_fail "$name: the window does not hold the focus"; return 1; }
    e2e_screenshot "$E2E_DIR/standing.png"
    xdotool keydown w
    if e2e_wait_for_screen_change "$E2E_DIR/standing.png" "$E2E_DIR/walking.png" 0.02 300 5 2>/dev/null; then return 0; fi
    xdotool keyup w
    e2e_log "$name: no walk after W pressed (attempt $attempt)"
  done
  e2e_fail "$name does not walk with W held"
}

# One measured start; appends "ROUND NAME launch hwm anon cpu median p1 p99 max near frames" to results.
measure() { # ROUND NAME
  local round=$1 name=$2
  local workdir=$E2E_DIR/work-$name stamps=$E2E_DIR/swaps-$name-$round.txt memory=$E2E_DIR/memory-$name-$round.txt
  local shown launch sampler cpu0 cpu1 t0 t1 m0 m1 cpu
  start "$name" "$workdir" "$stamps" || return 1
  rm -f "$memory"
  sample_memory "$pid" "$memory" &
  sampler=$!
  shown=$("$first_frame" 120 sky) || { e2e_fail "$name: no first frame with the sky within 120 s"; return 1; }
  launch=$(((shown - started) / 1000000))
  e2e_log "$name: first frame after $launch ms"
  e2e_wait_for_window "$window_name" 60 || return 1
  # Irrlicht's full-screen window is not managed (it grabs the keyboard
  # itself); Irrlicht walks by itself.
  [ "$name" = irrlicht ] || start_walk "$name" || return 1
  e2e_screenshot "$E2E_DIR/walk-start-$name-$round.png"
  sleep 2
  m0=$(monotonic_ns) t0=$(date +%s%N) cpu0=$(cpu_ticks "$pid") || { e2e_fail "$name ended early"; return 1; }
  sleep "$seconds"
  m1=$(monotonic_ns) t1=$(date +%s%N) cpu1=$(cpu_ticks "$pid") || { e2e_fail "$name ended early"; return 1; }
  e2e_screenshot "$E2E_DIR/walk-end-$name-$round.png"
  [ "$name" = irrlicht ] || xdotool keyup w
  bench_stop "$name" || return 1
  local moved
  moved=$(e2e_changed_fraction "$E2E_DIR/walk-start-$name-$round.png" "$E2E_DIR/walk-end-$name-$round.png" 300)
  e2e_log "$name: the view changed by $moved during the walk"
  awk -v moved="$moved" 'BEGIN { exit !(moved > 0.02) }' || { e2e_fail "$name: the view did not move during the walk"; return 1; }
  wait "$sampler"
  [ -s "$memory" ] || { e2e_fail "$name: no memory sample"; return 1; }
  cpu=$(awk -v ticks=$((cpu1 - cpu0)) -v hz="$clock_ticks" -v ns=$((t1 - t0)) 'BEGIN { printf "%.1f", 100 * ticks / hz / (ns / 1e9) }')
  local pacing
  pacing=$(python3 "$report_tool" pacing "$stamps" "$m0" "$m1") || { e2e_fail "$name: no pacing figures"; return 1; }
  if [ "${pacing##* }" -lt 10 ]; then
    # Wine opens libGL itself; should its swaps escape the stamps, its pacing is n/a.
    [ "$name" = wine ] || { e2e_fail "$name: its swaps were not stamped during the walk"; return 1; }
    e2e_log "wine: its swaps were not stamped during the walk; pacing n/a"
  fi
  read -r hwm anon <"$memory"
  echo "$round $name $launch $hwm $anon $cpu $pacing" >>"$E2E_DIR/results.txt"
}

for name in $programs; do e2e_prepare_workdir "$E2E_DIR/work-$name" "$E2E_SOURCE_ROOT"; done
: >"$E2E_DIR/results.txt"

if [[ " $programs " == *" wine "* ]]; then bench_keep_wine_server || exit 1; fi

for ((round = 1; round <= rounds; ++round)); do
  for name in $programs; do
    e2e_log "round $round of $rounds: $name"
    measure "$round" "$name" || exit 1
  done
done

# The medians over the rounds, with ratios ours / floor, ours / Irrlicht and
# floor / Irrlicht, then every round's figures.
python3 "$report_tool" medians "$rounds" "$seconds" "$E2E_DIR/results.txt" || exit 1

[ "$breakdown" = true ] || exit 0

# The offset of `next` in glibc's malloc_state, from the C library's debug
# information (libc6-dbg), for the report to number the arenas as malloc_info
# does; empty without gdb or that information.
arena_next_offset() {
  local libc
  libc=$(ldd "$E2E_NATIVE" | awk '/libc\.so\.6/ { print $3; exit }')
  [ -n "$libc" ] && command -v gdb >/dev/null || return 0
  gdb -batch -nx -ex 'ptype/o struct malloc_state' "$libc" 2>/dev/null |
    awk '/struct malloc_state \*next;/ { gsub(/[^0-9 ]/, " "); print $1; exit }'
}

# One start with libheap_report.so preloaded, standing: BREAKDOWN_AFTER
# seconds after its first frame the report is asked for and anon_breakdown
# reads the process. Writes breakdown-NAME.txt (the summary) and .md.
breakdown_of() { # NAME
  local name=$1 report=$E2E_DIR/heap-$1.txt
  rm -f "$report"
  export HEAP_REPORT_FILE=$report
  if [ -n "$arena_next" ]; then export HEAP_REPORT_ARENA_NEXT=$arena_next; fi
  start "$name" "$E2E_DIR/work-$name" "$E2E_DIR/swaps-breakdown-$name.txt" "$heap_report"
  local started_ok=$?
  unset HEAP_REPORT_FILE HEAP_REPORT_ARENA_NEXT
  [ "$started_ok" -eq 0 ] || return 1
  "$first_frame" 120 sky >/dev/null || { e2e_fail "$name: no first frame with the sky within 120 s"; return 1; }
  e2e_wait_for_window "$window_name" 60 || return 1
  sleep "$breakdown_after"
  kill -USR2 "$pid"
  e2e_wait_for 20 grep -qx "done" "$report" || { e2e_fail "$name: no heap report"; return 1; }
  "$anon_breakdown" "$pid" "$report" --summary "$E2E_DIR/breakdown-$name.txt" >"$E2E_DIR/breakdown-$name.md" ||
    { e2e_fail "$name: no breakdown"; return 1; }
  bench_stop "$name" || return 1
}

arena_next=$(arena_next_offset)
[ -n "$arena_next" ] || e2e_log "no debug information of the C library (libc6-dbg and gdb): arenas are not numbered"
for name in native floor irrlicht; do
  e2e_log "breakdown: $name"
  breakdown_of "$name" || exit 1
done

echo
python3 "$report_tool" owners "$breakdown_after" "$E2E_DIR/breakdown-native.txt" "$E2E_DIR/breakdown-floor.txt" \
  "$E2E_DIR/breakdown-irrlicht.txt" || exit 1
echo
echo "Irrlicht's program is irrlicht_walk with libIrrlicht."
for name in native floor irrlicht; do
  echo
  echo "### $name"
  echo
  cat "$E2E_DIR/breakdown-$name.md"
done
