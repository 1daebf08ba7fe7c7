# shellcheck shell=bash
# Helpers for end-to-end runs of the program on a private virtual X display.
# Source this file; every function reports failure through its status and a
# line on stderr. State lives in E2E_* variables of the sourcing shell.
#
#   e2e_cannot_run MESSAGE      fail, or skip (exit 77) with ALLOW_SKIP=1
#   e2e_require_tools [TOOL...] e2e_cannot_run unless root and the tools are here
#   e2e_setup_dir DIR          scratch folder for logs and screenshots
#   e2e_start_display          Xorg with the dummy driver; exports DISPLAY
#   e2e_current_mode           the display's mode, "WIDTHxHEIGHT RATE"
#   e2e_wait_for_mode WIDTHxHEIGHT TIMEOUT
#   e2e_device_loss_cycle LOG NUMBER        minimise and activate the window
#   e2e_start_window_manager   openbox on that display (optional)
#   e2e_prepare_workdir DIR SOURCE_ROOT
#   e2e_start_program native|wine PROGRAM WORKDIR
#   e2e_wait_for_window NAME TIMEOUT        sets E2E_WINDOW
#   e2e_wait_for_window_or_exit NAME TIMEOUT
#   e2e_wait_for_log_line FILE TEXT TIMEOUT / e2e_log_messages FILE / e2e_log_is_whole FILE
#   e2e_key KEYS... / e2e_hold_key KEY MILLISECONDS / e2e_move_mouse DX DY
#   e2e_screenshot FILE / e2e_wait_for_drawn_screen TIMEOUT
#   e2e_changed_fraction A B TOP / e2e_wait_for_screen_change REF SHOT FRACTION TOP TIMEOUT
#   e2e_wait_for_exit TIMEOUT                sets E2E_EXIT_CODE
#   e2e_cleanup                              ends everything started here

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_DIR=""
E2E_XORG_PID=""
E2E_WM_PID=""
E2E_PROGRAM_PID=""
E2E_PROGRAM_KIND=""
E2E_WINDOW=""
E2E_EXIT_CODE=""

e2e_log() {
  printf '[e2e %s] %s\n' "$(date +%H:%M:%S)" "$*" >&2
}

e2e_fail() {
  e2e_log "FAIL: $*"
  return 1
}

# Polls a command every 100 ms until it succeeds or the timeout (seconds) ends.
e2e_wait_for() {
  local timeout=$1
  shift
  local deadline=$((SECONDS + timeout))
  while true; do
    if "$@" >/dev/null 2>&1; then return 0; fi
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.1
  done
}

E2E_SKIP=77

# Ends a run that cannot be made here: a failure, unless ALLOW_SKIP=1 asks
# for a skip (exit 77) instead, e.g. for a developer without root.
e2e_cannot_run() {
  if [ "${ALLOW_SKIP:-0}" = 1 ]; then
    e2e_log "SKIP: $*"
    exit "$E2E_SKIP"
  fi
  e2e_fail "$* (ALLOW_SKIP=1 makes this a skip)"
  exit 1
}

# Ends the script unless this machine can run the display (root, for Xorg
# without a console) and the tools; extra tool names may be given.
e2e_require_tools() {
  local tool
  if [ "$(id -u)" -ne 0 ]; then e2e_cannot_run "Xorg with the dummy driver needs root here"; fi
  for tool in Xorg xdotool xset xrandr xprop import convert compare identify "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then e2e_cannot_run "$tool is not installed"; fi
  done
}

e2e_setup_dir() {
  E2E_DIR=$1
  mkdir -p "$E2E_DIR"
}

# Checks the program a test was given (KIND native or wine): a Windows build
# that is not there cannot be run, a missing native one is a failure. Then the tools
# (wine's too for KIND wine). Sets `program` to its absolute path and
# `start_timeout` to how long its start may take (Wine's first run creates
# the prefix).
e2e_check_program() { # KIND PROGRAM [TOOL...]
  local check_kind=$1 check_program=$2
  shift 2
  if [ ! -f "$check_program" ]; then
    # The Windows build is made separately (the windows preset); without it there is nothing to run.
    if [ "$check_kind" = wine ]; then e2e_cannot_run "$check_program is not built (the windows preset)"; fi
    e2e_fail "$check_program does not exist"
    exit 2
  fi
  if [ "$check_kind" = wine ]; then e2e_require_tools "$@" wine wineserver; else e2e_require_tools "$@"; fi
  program=$(cd "$(dirname "$check_program")" && pwd)/$(basename "$check_program")
  start_timeout=30
  if [ "$check_kind" = wine ]; then start_timeout=180; fi
}

# A run folder, WORK_ROOT/run (WORK_ROOT a new temporary folder when empty),
# that goes after a pass unless KEEP is true and stays after a failure, with
# the last TAIL_LINES lines of TAIL (a path in the run folder) shown. Sets
# `work_root`; ends the test's display and program on exit.
e2e_use_run_dir() { # WORK_ROOT KEEP TAIL TAIL_LINES NAME
  work_root=$1
  E2E_KEEP=$2
  E2E_TAIL_LINES=$4
  E2E_MADE_ROOT=false
  if [ -z "$work_root" ]; then
    work_root=$(mktemp -d "${TMPDIR:-/tmp}/$5.XXXXXX")
    E2E_MADE_ROOT=true
  fi
  E2E_TAIL_FILE=$work_root/run/$3
  e2e_setup_dir "$work_root/run"
  trap e2e_finish_run EXIT
}

e2e_finish_run() {
  local status=$?
  e2e_cleanup
  if [ "$status" -ne 0 ]; then
    e2e_log "kept $work_root/run for inspection"
    if [ -f "$E2E_TAIL_FILE" ]; then tail -n "$E2E_TAIL_LINES" "$E2E_TAIL_FILE" >&2; fi
  elif [ "$E2E_KEEP" = false ]; then
    rm -rf "$work_root/run"
    if [ "$E2E_MADE_ROOT" = true ]; then rmdir "$work_root" 2>/dev/null; fi
  fi
  exit "$status"
}

e2e_process_alive() {
  [ -n "$1" ] && kill -0 "$1" 2>/dev/null
}

# Starts Xorg with the modes of xorg-dummy.conf (or of E2E_XORG_CONFIG) on a
# display number it finds free itself (-displayfd): it tries the next number
# when a socket is taken, also by a server that this file system cannot see
# (another root's, as in a chroot), where a lock-file check would connect to
# that other server.
e2e_start_display() {
  local config=${E2E_XORG_CONFIG:-$E2E_LIB_DIR/xorg-dummy.conf}
  local number_file=$E2E_DIR/display-number
  mkdir -p "$E2E_DIR/xorg.conf.d"
  rm -f "$number_file"
  Xorg -displayfd 3 -config "$config" -configdir "$E2E_DIR/xorg.conf.d" -logfile "$E2E_DIR/Xorg.log" \
    -novtswitch -sharevts -noreset -nolisten tcp 3>"$number_file" >"$E2E_DIR/Xorg.out" 2>&1 &
  E2E_XORG_PID=$!
  local deadline=$((SECONDS + 20)) number=""
  while ((SECONDS < deadline)) && e2e_process_alive "$E2E_XORG_PID"; do
    number=$(tr -dc 0-9 <"$number_file" 2>/dev/null)
    if [ -n "$number" ] && DISPLAY=":$number" xset q >/dev/null 2>&1; then
      export DISPLAY=":$number"
      e2e_log "display $DISPLAY (Xorg pid $E2E_XORG_PID)"
      return 0
    fi
    sleep 0.1
  done
  e2e_stop_display
  e2e_fail "no display could be started; see $E2E_DIR/Xorg.log"
}

e2e_stop_display() {
  if e2e_process_alive "$E2E_XORG_PID"; then
    kill "$E2E_XORG_PID" 2>/dev/null
    wait "$E2E_XORG_PID" 2>/dev/null
  fi
  E2E_XORG_PID=""
}

# The modes the display offers, one "WIDTHxHEIGHT RATE" per line.
e2e_display_modes() {
  xrandr --query | awk '/^ +[0-9]+x[0-9]+/ { split($1, size, "_"); for (i = 2; i <= NF; ++i) { rate = $i; gsub(/[*+]/, "", rate); if (rate != "") print size[1], rate } }'
}

# The current mode, "WIDTHxHEIGHT RATE".
e2e_current_mode() {
  xrandr --query | awk '/^ +[0-9]+x[0-9]+/ { for (i = 2; i <= NF; ++i) if ($i ~ /\*/) { rate = $i; gsub(/[*+]/, "", rate); split($1, size, "_"); print size[1], rate } }'
}

# Waits until the display is back in the mode of that size ("WIDTHxHEIGHT").
e2e_wait_for_mode() {
  local size=$1 timeout=$2
  e2e_wait_for "$timeout" sh -c "[ \"\$(xrandr --query | awk '/\\*/ { split(\$1, s, \"_\"); print s[1] }')\" = $size ]" ||
    e2e_fail "the display is in mode $(e2e_current_mode), not $size"
}

# One device loss and recovery of the program's window through the window
# manager: minimised, the NUMBER-th "Direct3D device lost." line in LOG,
# activated, the NUMBER-th "Direct3D device restored." line.
e2e_device_loss_cycle() {
  local log=$1 number=$2
  xdotool windowminimize "$E2E_WINDOW"
  e2e_wait_for 20 sh -c "[ \$(sed 's/\r\$//' '$log' | grep -c 'Direct3D device lost.\$') -ge $number ]" ||
    { e2e_fail "cycle $number: no loss logged"; return 1; }
  xdotool windowactivate "$E2E_WINDOW" 2>/dev/null || xdotool windowmap "$E2E_WINDOW"
  e2e_wait_for 20 sh -c "[ \$(sed 's/\r\$//' '$log' | grep -c 'Direct3D device restored.\$') -ge $number ]" ||
    { e2e_fail "cycle $number: no restore logged"; return 1; }
}

e2e_start_window_manager() {
  openbox --sm-disable >"$E2E_DIR/openbox.out" 2>&1 &
  E2E_WM_PID=$!
  # openbox owns the screen once it has set the _NET_SUPPORTING_WM_CHECK property.
  e2e_wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    e2e_fail "openbox did not start"
}

e2e_stop_window_manager() {
  if e2e_process_alive "$E2E_WM_PID"; then
    kill "$E2E_WM_PID" 2>/dev/null
    wait "$E2E_WM_PID" 2>/dev/null
  fi
  E2E_WM_PID=""
}

# A fresh working folder with the program's inputs from the source tree, where present.
e2e_prepare_workdir() {
  local workdir=$1 source_root=$2
  rm -rf "$workdir"
  mkdir -p "$workdir"
  if [ -f "$source_root/settings.ini" ]; then cp "$source_root/settings.ini" "$workdir/"; fi
  if [ -d "$source_root/Models" ]; then cp -r "$source_root/Models" "$workdir/"; fi
}

# Runs the native program, or a Windows program under 64-bit Wine; WINEPREFIX
# must be set for Wine (it is created on first use).
e2e_start_program() {
  local kind=$1 program=$2 workdir=$3
  E2E_PROGRAM_KIND=$kind
  E2E_EXIT_CODE=""
  case "$kind" in
    native)
      # In a sanitizer build the whole program runs with its memory checks, but
      # without the exit-time leak check: Mesa's driver is unloaded by then, so
      # its own allocations cannot be told from the program's. The program's
      # leaks are checked by the unit and display tests.
      # SIGINT and SIGQUIT as a user's shell leaves them: a shell without job
      # control starts its background commands with them ignored.
      (cd "$workdir" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        exec env --default-signal=INT,QUIT "$program") \
        >"$E2E_DIR/program.out" 2>&1 &
      ;;
    wine)
      : "${WINEPREFIX:?WINEPREFIX must name the Wine prefix folder}"
      export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
        e2e_log "creating the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wine wineboot --init >"$E2E_DIR/wineboot.out" 2>&1 || true
        wineserver -w || true
      fi
      (cd "$workdir" && exec wine "$program") >"$E2E_DIR/program.out" 2>&1 &
      ;;
    *)
      e2e_fail "unknown program kind $kind"
      return 1
      ;;
  esac
  E2E_PROGRAM_PID=$!
  e2e_log "started $kind program $program (pid $E2E_PROGRAM_PID) in $workdir"
}

e2e_program_running() {
  e2e_process_alive "$E2E_PROGRAM_PID"
}

e2e_find_window() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

e2e_wait_for_window() {
  local name=$1 timeout=$2
  if e2e_wait_for "$timeout" sh -c "xdotool search --onlyvisible --name '^$name\$' | grep -q ."; then
    E2E_WINDOW=$(e2e_find_window "$name")
    e2e_log "window \"$name\" is $E2E_WINDOW"
    return 0
  fi
  e2e_fail "no window \"$name\" within ${timeout}s"
}

# Succeeds when the window shows while the program runs (E2E_WINDOW is set) or
# when the program ends first (E2E_WINDOW stays empty); fails on timeout.
e2e_wait_for_window_or_exit() {
  local name=$1 timeout=$2
  local deadline=$((SECONDS + timeout))
  E2E_WINDOW=""
  while ((SECONDS < deadline)); do
    local found
    found=$(e2e_find_window "$name")
    if [ -n "$found" ] && e2e_program_running; then
      E2E_WINDOW=$found
      e2e_log "window \"$name\" is $E2E_WINDOW"
      return 0
    fi
    if ! e2e_program_running; then
      e2e_log "program ended before its window stayed open"
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "neither a window \"$name\" nor the end of the program within ${timeout}s"
}

# Log lines end in CR LF; TEXT is a fixed string looked for within one line.
e2e_wait_for_log_line() {
  local file=$1 text=$2 timeout=$3
  if e2e_wait_for "$timeout" grep -qF -- "$text" "$file"; then return 0; fi
  e2e_fail "no line with \"$text\" in $file within ${timeout}s"
}

# The log's messages, one a line, without time stamps and CR.
e2e_log_messages() {
  sed -e 's/\r$//' -e 's/^\[[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\] //' "$1"
}

# True when every line of the log is "[HH:MM:SS] message" ended by CR LF.
e2e_log_is_whole() {
  local file=$1 bad
  [ -s "$file" ] || { e2e_fail "$file is empty"; return 1; }
  bad=$(LC_ALL=C grep -c -v -a -E $'^\\[[0-9]{2}:[0-9]{2}:[0-9]{2}\\] .*\r$' "$file")
  [ "$bad" -eq 0 ] || { e2e_fail "$file has $bad lines that are not whole"; return 1; }
  [ "$(tail -c 1 "$file" | od -An -tx1 | tr -d ' ')" = 0a ] || { e2e_fail "$file ends within a line"; return 1; }
}

e2e_first_log_line() {
  head -n 1 "$1" | tr -d '\r'
}

e2e_focus_window() {
  xdotool windowactivate --sync "$E2E_WINDOW" >/dev/null 2>&1 || xdotool windowfocus --sync "$E2E_WINDOW" >/dev/null 2>&1 || true
}

e2e_key() {
  xdotool key --delay 50 "$@"
}

e2e_hold_key() {
  local key=$1 milliseconds=$2
  xdotool keydown "$key"
  sleep "$(awk "BEGIN { print $milliseconds / 1000 }")"
  xdotool keyup "$key"
}

e2e_move_mouse() {
  xdotool mousemove_relative -- "$1" "$2"
}

e2e_screenshot() {
  import -window root "$1"
}

# True when anything but black is on the screen.
e2e_screen_is_drawn() {
  local mean
  mean=$(import -window root png:- 2>/dev/null | convert png:- -format '%[fx:mean]' info: 2>/dev/null) || return 1
  awk -v mean="$mean" 'BEGIN { exit !(mean > 0) }'
}

# Waits until the program has drawn on the screen; status 2 when the program
# ended first, 1 on timeout.
e2e_wait_for_drawn_screen() {
  local timeout=$1
  local deadline=$((SECONDS + timeout))
  while ((SECONDS < deadline)); do
    if ! e2e_program_running; then return 2; fi
    if e2e_screen_is_drawn; then return 0; fi
    sleep 0.2
  done
  e2e_fail "nothing was drawn within ${timeout}s"
}

# The fraction (0..1) of pixels that differ by more than 10% between two
# screenshots, below the top TOP rows (where the overlay text changes).
e2e_changed_fraction() {
  local first=$1 second=$2 top=${3:-0}
  local width height
  read -r width height < <(identify -format '%w %h' "$first")
  local geometry="${width}x$((height - top))+0+$top"
  convert "$first" -crop "$geometry" +repage "$first.cropped.png"
  convert "$second" -crop "$geometry" +repage "$second.cropped.png"
  local changed
  changed=$(compare -metric AE -fuzz 10% "$first.cropped.png" "$second.cropped.png" null: 2>&1)
  rm -f "$first.cropped.png" "$second.cropped.png"
  awk -v changed="${changed%% *}" -v total="$((width * (height - top)))" 'BEGIN { printf "%.4f\n", changed / total }'
}

# Polls screenshots until one differs from REFERENCE by more than FRACTION
# (below TOP rows); the last screenshot is left in SHOT.
e2e_wait_for_screen_change() {
  local reference=$1 shot=$2 fraction=$3 top=$4 timeout=$5
  local deadline=$((SECONDS + timeout))
  while ((SECONDS < deadline)); do
    e2e_screenshot "$shot" || return 1
    local changed
    changed=$(e2e_changed_fraction "$reference" "$shot" "$top")
    if awk -v changed="$changed" -v fraction="$fraction" 'BEGIN { exit !(changed > fraction) }'; then
      e2e_log "screen changed by $changed"
      return 0
    fi
    sleep 0.2
  done
  e2e_fail "the screen did not change by more than $fraction within ${timeout}s"
}

e2e_wait_for_exit() {
  local timeout=$1
  if ! e2e_wait_for "$timeout" sh -c "! kill -0 $E2E_PROGRAM_PID"; then
    e2e_fail "the program did not end within ${timeout}s"
    return 1
  fi
  local status=0
  wait "$E2E_PROGRAM_PID" || status=$?
  E2E_EXIT_CODE=$status
  E2E_PROGRAM_PID=""
  if [ "$E2E_PROGRAM_KIND" = wine ]; then wineserver -w || true; fi
  e2e_log "program ended with exit code $E2E_EXIT_CODE"
}

e2e_stop_program() {
  if e2e_program_running; then
    kill "$E2E_PROGRAM_PID" 2>/dev/null
    e2e_wait_for 10 sh -c "! kill -0 $E2E_PROGRAM_PID" || kill -9 "$E2E_PROGRAM_PID" 2>/dev/null
    wait "$E2E_PROGRAM_PID" 2>/dev/null
  fi
  E2E_PROGRAM_PID=""
  if [ "$E2E_PROGRAM_KIND" = wine ]; then wineserver -k 2>/dev/null || true; fi
}

e2e_cleanup() {
  e2e_stop_program
  e2e_stop_window_manager
  e2e_stop_display
}
