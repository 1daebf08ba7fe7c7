# shellcheck shell=bash
# Starting and ending the programs that the benchmarks set side by side, on
# the display of tools/e2e-lib.sh (source that first): ours native
# (E2E_NATIVE), ours Windows build under Wine (E2E_WINE), Irrlicht
# (BENCH_IRRLICHT, with BENCH_IRRLICHT_ARGS) and the floor (BENCH_FLOOR), by
# the names native, wine, irrlicht and floor. BENCH_FIRST_FRAME is the
# first_frame tool. Wine runs in WINEPREFIX with a server kept up between the
# starts.
#   bench_choose_programs NAME...  the programs to run, in that order, from the
#                                  options (--windows or --no-wine, --irrlicht): sets
#                                  BENCH_PROGRAMS, E2E_WINE and BENCH_IRRLICHT
#   bench_setup_run [SHOWN_FILE [LINES]]  e2e_setup_run, and the Wine server's end on exit
#   bench_start NAME WORKDIR [VAR=VALUE...]  starts one with those variables set,
#                                  once the last one's sky is gone; sets BENCH_STARTED
#                                  (realtime ns), BENCH_PID (the program's process)
#                                  and BENCH_WINDOW_NAME
#   bench_stop NAME               Escape, and its end with exit code 0
#   bench_keep_wine_server        makes the prefix if needed, starts a Wine server
#                                 that stays up and a first start with it, not measured
# The BENCH_* variables set here are read by the scripts that source it.
# shellcheck disable=SC2034
BENCH_IRRLICHT=""
BENCH_IRRLICHT_ARGS=()
BENCH_FLOOR=""
BENCH_FIRST_FRAME=""
BENCH_STARTED=""
BENCH_PID=""
BENCH_WINDOW_NAME=""

# Ends the Wine server kept up between the starts, then the usual end.
bench_choose_programs() { # NAME...
  [ -n "$E2E_NATIVE" ] || e2e_usage_error "--native is needed"
  BENCH_PROGRAMS="$*"
  if [ "${E2E_OPTIONS[no-wine]:-}" = true ]; then
    BENCH_PROGRAMS=${BENCH_PROGRAMS/wine /}
  else
    E2E_WINE=${E2E_OPTIONS[windows]:-$E2E_WINE}
    [ -n "$E2E_WINE" ] || e2e_usage_error "--windows is needed (or --no-wine)"
  fi
  BENCH_IRRLICHT=${E2E_OPTIONS[irrlicht]:-}
  [ -n "$BENCH_IRRLICHT" ] || e2e_usage_error "--irrlicht is needed"
}
bench_finish_run() {
  local status=$?
  wineserver -k 2>/dev/null
  (exit "$status")
  e2e_finish_run
}

bench_setup_run() {
  e2e_setup_run "$@"
  trap bench_finish_run EXIT
}

# Waits until no sky shows, so that the next start's first frame is its own.
bench_wait_for_no_sky() {
  e2e_wait_for 30 sh -c "! '$BENCH_FIRST_FRAME' 0.1 sky" || e2e_fail "the screen still shows the sky before a start"
}

bench_start() { # NAME WORKDIR [VAR=VALUE...]
  local name=$1 workdir=$2 assignment
  shift 2
  bench_wait_for_no_sky || return 1
  # Wine turns raw pointer motion at its start into a turn of the view; a
  # pointer in the corner gives none.
  xdotool mousemove 0 0
  for assignment in "$@"; do export "${assignment?}"; done
  BENCH_STARTED=$(date +%s%N)
  case "$name" in
    native) e2e_start_program native "$E2E_NATIVE" "$workdir" ;;
    wine) e2e_start_program wine "$E2E_WINE" "$workdir" ;;
    irrlicht) e2e_start_program native "$BENCH_IRRLICHT" "$workdir" "${BENCH_IRRLICHT_ARGS[@]}" ;;
    floor) e2e_start_program native "$BENCH_FLOOR" "$workdir" ;;
  esac
  for assignment in "$@"; do unset "${assignment%%=*}"; done
  case "$name" in
    irrlicht) BENCH_WINDOW_NAME="Irrlicht Walk" ;;
    floor) BENCH_WINDOW_NAME="Floor Walk" ;;
    *) BENCH_WINDOW_NAME="D3D Window" ;;
  esac
  BENCH_PID=$E2E_PROGRAM_PID
  if [ "$name" = wine ]; then
    local exe deadline=$((SECONDS + 120))
    exe=$(basename "$E2E_WINE")
    BENCH_PID=""
    while [ -z "$BENCH_PID" ] && ((SECONDS < deadline)) && e2e_program_running; do
      BENCH_PID=$(pgrep -n -x "${exe:0:15}")
      [ -n "$BENCH_PID" ] || sleep 0.05
    done
    [ -n "$BENCH_PID" ] || { e2e_fail "no $exe process"; return 1; }
  fi
}

# Like W, an Escape that comes while the focus settles is lost, so it is
# pressed again. Wine's server stays up (it was started persistent), so the
# end is waited for here.
bench_stop() { # NAME
  local name=$1 attempt status=0
  for attempt in 1 2 3; do
    if [ "$name" != irrlicht ]; then
      e2e_focus_window
      e2e_wait_for_focus 20 || { e2e_fail "$name: the window does not hold the focus"; return 1; }
    fi
    e2e_hold_key Escape 200
    if e2e_wait_for 20 sh -c "! kill -0 $E2E_PROGRAM_PID"; then
      wait "$E2E_PROGRAM_PID" || status=$?
      E2E_PROGRAM_PID=""
      [ "$status" -eq 0 ] || { e2e_fail "$name ended with exit code $status"; return 1; }
      return 0
    fi
    e2e_log "$name: no end after Escape (attempt $attempt)"
  done
  e2e_fail "$name did not end after Escape"
}

# An unmeasured Wine start.
bench_wine_warm_up() {
  bench_start wine "$E2E_DIR/work-wine" || return 1
  "$BENCH_FIRST_FRAME" 180 sky >/dev/null || { e2e_fail "wine: no first frame with the sky within 180 s"; return 1; }
  e2e_wait_for_window "D3D Window" 60 || return 1
  bench_stop wine
}

# A missing prefix is made by a first start (e2e_start_program), which waits
# for its Wine server's end; then a server that stays up, and a first start
# with it, neither measured.
bench_keep_wine_server() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    bench_wine_warm_up || return 1
    wineserver -w
  fi
  e2e_log "Wine server kept up between the starts; a first Wine start, not measured"
  wineserver -p || { e2e_fail "the Wine server did not start"; return 1; }
  bench_wine_warm_up
}
