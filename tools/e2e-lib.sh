# shellcheck shell=bash
# Helpers for end-to-end runs of the program on a private virtual X display.
# Source this file; every function reports failure through its status and a
# line on stderr. It sets no globals but E2E_* ones (and exports DISPLAY for
# the display it starts).
#
# An end-to-end script reads its options, checks its program and makes its
# run folder the same way:
#   e2e_parse_args '--cycles N' '--window-manager' -- "$@"
#   cycles=${E2E_OPTIONS[cycles]:-3}
#   e2e_check_programs openbox
#   e2e_setup_run program.out 20
#
# Reporting and waiting
#   e2e_log TEXT...                  a time-stamped line on stderr
#   e2e_fail TEXT...                 logs "FAIL: TEXT", status 1
#   e2e_wait_for TIMEOUT COMMAND...  polls COMMAND until it succeeds
#   e2e_process_alive PID            true while that process runs
#   e2e_cannot_run TEXT...           ends the script: failure, or skip (exit 77) with ALLOW_SKIP=1
#   e2e_require_tools [TOOL...]      e2e_cannot_run unless root and the tools are here
# Options and the run folder
#   e2e_parse_args [FORM...] -- ARG...  the common options, and the script's own, into E2E_*
#   e2e_usage_error TEXT             the reason and a usage line on stderr, exit 2
#   e2e_start_timeout KIND           seconds a start of a native|wine program may take
#   e2e_check_programs [TOOL...]     the given programs exist; e2e_require_tools with them
#   e2e_setup_run [SHOWN_FILE [LINES]]  the run folder E2E_DIR, and the end of the run on exit
#   e2e_finish_run                   the exit trap: e2e_cleanup, then the run folder goes or stays
# The display and the window manager
#   e2e_start_display                Xorg with the dummy driver; exports DISPLAY
#   e2e_stop_display                 ends that Xorg
#   e2e_display_modes                the display's modes, "WIDTHxHEIGHT RATE" a line
#   e2e_current_mode                 the display's mode, "WIDTHxHEIGHT RATE"
#   e2e_screen_size                  the X screen's size, "WIDTHxHEIGHT"
#   e2e_shows_mode WIDTHxHEIGHT      true when the display shows that mode on a screen of that size
#   e2e_wait_for_mode WIDTHxHEIGHT TIMEOUT  waits until e2e_shows_mode
#   e2e_desktop_settings             XDG folders of the run's own, for a desktop's settings
#   e2e_start_window_manager [NAME]  openbox (or i3, fluxbox, xfwm4, mutter, kwin) on that display
#   e2e_switch_workspace NUMBER      shows that workspace (0 the first)
#   e2e_stop_window_manager          ends the window manager
# The program
#   e2e_prepare_workdir DIR SOURCE_ROOT     a fresh working folder with settings.ini and Models
#   e2e_start_drawing_program DIR    E2E_PROGRAM in a fresh DIR at 800x600, 60 Hz, until it draws
#   e2e_wine_prefix                  makes the Wine prefix WINEPREFIX on first use
#   e2e_exec_wine PROGRAM [ARG...]   becomes that program under 64-bit Wine (run it in a subshell)
#   e2e_start_program native|wine PROGRAM WORKDIR [ARG...]  starts it in the background
#   e2e_program_running              true while the program runs
#   e2e_wait_for_exit TIMEOUT        waits for its end; sets E2E_EXIT_CODE
#   e2e_stop_program                 ends it if it still runs
#   e2e_end_process PID              SIGTERM, then SIGKILL after 10 s; waits for it
#   e2e_cleanup                      ends the program, the window manager and the display
# Its window and input
#   e2e_find_window NAME             the id of the visible window of that name, if any
#   e2e_wait_for_window NAME TIMEOUT          waits for it; sets E2E_WINDOW
#   e2e_wait_for_window_or_exit NAME TIMEOUT  the window, or the program's end (E2E_WINDOW empty)
#   e2e_focus_window                 activates E2E_WINDOW
#   e2e_wait_for_focus TIMEOUT       until E2E_WINDOW is the active window
#   e2e_device_loss_cycle LOG NUMBER minimises and activates it, waiting for the log lines
#   e2e_key KEYS...                  xdotool key presses
#   e2e_hold_key KEY MILLISECONDS    holds one key down
#   e2e_move_mouse DX DY             relative pointer motion
# Its log
#   e2e_wait_for_log_line FILE TEXT TIMEOUT  waits for a line holding TEXT
#   e2e_log_messages FILE            the messages, without time stamps and CR
#   e2e_log_is_whole FILE            true when every line is "[HH:MM:SS] message" CR LF
#   e2e_first_log_line FILE          the first line without CR
# The screen
#   e2e_screenshot FILE              the whole screen into FILE
#   e2e_screen_is_drawn              true when anything but black is on it
#   e2e_wait_for_drawn_screen TIMEOUT        until the program draws; 2 when it ended first
#   e2e_changed_fraction A B [TOP]   the fraction of pixels that differ between two screenshots
#   e2e_wait_for_screen_change REF SHOT FRACTION TOP TIMEOUT  until the screen differs from REF
#
# Variables
#   E2E_NATIVE, E2E_WINE             the programs given (--native, --wine)
#   E2E_KIND, E2E_PROGRAM            the last of them given: native|wine, and its path
#   E2E_SOURCE_ROOT                  --source-root (default: this repository)
#   E2E_WORK_ROOT, E2E_KEEP          --work-root (default: a new temporary folder), --keep
#   E2E_OPTIONS                      the script's own options by name ("cycles"); flags are "true"
#   E2E_START_TIMEOUT                set by e2e_check_programs for E2E_KIND
#   E2E_DIR                          the run folder: logs, screenshots, working folders
#   E2E_WINDOW, E2E_EXIT_CODE        the program's window; its exit code once it ended
#   E2E_XORG_CONFIG                  read: another Xorg configuration than xorg-dummy.conf
#   E2E_WINE_ENV                     the environment Wine runs with: quiet, 64-bit, no installers
#   E2E_LIB_DIR, E2E_SKIP, E2E_XORG_PID, E2E_WM_PID, E2E_PROGRAM_PID, E2E_PROGRAM_KIND,
#   E2E_MADE_ROOT, E2E_SHOWN_FILE, E2E_SHOWN_LINES   internal

# The E2E_* variables set here are read by the scripts that source it.
# shellcheck disable=SC2034
E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_SKIP=77
E2E_NATIVE=""
E2E_WINE=""
E2E_KIND=""
E2E_PROGRAM=""
E2E_SOURCE_ROOT=$(cd "$E2E_LIB_DIR/.." && pwd)
E2E_WORK_ROOT=""
E2E_KEEP=false
declare -gA E2E_OPTIONS=()
E2E_START_TIMEOUT=30
E2E_DIR=""
E2E_MADE_ROOT=false
E2E_SHOWN_FILE=""
E2E_SHOWN_LINES=20
E2E_XORG_PID=""
E2E_WM_PID=""
E2E_PROGRAM_PID=""
E2E_PROGRAM_KIND=""
E2E_WINDOW=""
E2E_EXIT_CODE=""
E2E_WINE_ENV=(WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64)

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

# Reads the options every end-to-end script takes: --native PROGRAM,
# --wine PROGRAM.exe (one of them at least), --source-root DIR, --work-root DIR
# and --keep. Each FORM names one of the script's own: "--name VALUE" takes a
# value, "--name" is a flag; they land in E2E_OPTIONS[name]. Anything else ends
# the script with a usage line.
e2e_parse_args() { # [FORM...] -- ARG...
  local -a forms=()
  local -A kind=([--native]=value [--wine]=value [--source-root]=value [--work-root]=value [--keep]=flag)
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    forms+=("$1")
    if [ "${1%% *}" = "$1" ]; then kind[$1]=flag; else kind[${1%% *}]=value; fi
    shift
  done
  if [ $# -gt 0 ]; then shift; fi
  E2E_NATIVE="" E2E_WINE="" E2E_KIND="" E2E_PROGRAM="" E2E_WORK_ROOT="" E2E_KEEP=false
  E2E_SOURCE_ROOT=$(cd "$E2E_LIB_DIR/.." && pwd)
  E2E_OPTIONS=()
  local option value
  while [ $# -gt 0 ]; do
    option=$1 value=true
    shift
    if [ -z "$option" ] || [ -z "${kind[$option]:-}" ]; then e2e_usage_error "unknown argument $option" "${forms[@]}"; fi
    if [ "${kind[$option]}" = value ]; then
      [ $# -gt 0 ] || e2e_usage_error "$option takes a value" "${forms[@]}"
      value=$1
      shift
    fi
    case "$option" in
      --native) E2E_NATIVE=$value E2E_KIND=native E2E_PROGRAM=$value ;;
      --wine) E2E_WINE=$value E2E_KIND=wine E2E_PROGRAM=$value ;;
      --source-root) E2E_SOURCE_ROOT=$value ;;
      --work-root) E2E_WORK_ROOT=$value ;;
      --keep) E2E_KEEP=true ;;
      *) E2E_OPTIONS[${option#--}]=$value ;;
    esac
  done
  [ -n "$E2E_KIND" ] || e2e_usage_error "no program given" "${forms[@]}"
}

# Ends the script with exit code 2: the reason, and a usage line with the
# common options and the script's own (FORMs as for e2e_parse_args).
e2e_usage_error() { # REASON [FORM...]
  local reason=$1 form usage
  shift
  usage="usage: $(basename "$0") --native PROGRAM | --wine PROGRAM.exe [--source-root DIR] [--work-root DIR] [--keep]"
  for form in "$@"; do usage+=" [$form]"; done
  printf '%s: %s\n%s\n' "$(basename "$0")" "$reason" "$usage" >&2
  exit 2
}

# How long a start may take: Wine's first run creates the prefix.
e2e_start_timeout() { # KIND
  if [ "$1" = wine ]; then echo 180; else echo 30; fi
}

# Checks the programs given: a missing one is a failure (exit 2), the Windows
# build's too (made separately, by the windows preset). Then the tools, Wine's
# too for a Windows build. Makes E2E_NATIVE, E2E_WINE and E2E_PROGRAM absolute
# and sets E2E_START_TIMEOUT.
# shellcheck disable=SC2120
e2e_check_programs() { # [TOOL...]
  if [ -n "$E2E_WINE" ]; then
    [ -f "$E2E_WINE" ] || { e2e_fail "$E2E_WINE is not built (cmake --build --preset windows)"; exit 2; }
    E2E_WINE=$(realpath "$E2E_WINE")
  fi
  if [ -n "$E2E_NATIVE" ]; then
    [ -f "$E2E_NATIVE" ] || { e2e_fail "$E2E_NATIVE does not exist"; exit 2; }
    E2E_NATIVE=$(realpath "$E2E_NATIVE")
  fi
  if [ -n "$E2E_WINE" ]; then e2e_require_tools "$@" wine wineserver; else e2e_require_tools "$@"; fi
  if [ "$E2E_KIND" = wine ]; then E2E_PROGRAM=$E2E_WINE; else E2E_PROGRAM=$E2E_NATIVE; fi
  E2E_START_TIMEOUT=$(e2e_start_timeout "$E2E_KIND")
}

# Makes the run folder E2E_DIR afresh: E2E_WORK_ROOT/run, in a new temporary
# folder when E2E_WORK_ROOT is empty. On exit the display and the program end;
# after a pass the run folder goes unless E2E_KEEP is true, after a failure it
# stays, and the last LINES (20) lines of SHOWN_FILE (a path in it) are shown.
# shellcheck disable=SC2120
e2e_setup_run() { # [SHOWN_FILE [LINES]]
  E2E_SHOWN_FILE=${1:-}
  E2E_SHOWN_LINES=${2:-20}
  E2E_MADE_ROOT=false
  if [ -z "$E2E_WORK_ROOT" ]; then
    E2E_WORK_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/$(basename "$0" .sh).XXXXXX") || exit 1
    E2E_MADE_ROOT=true
  fi
  E2E_DIR=$E2E_WORK_ROOT/run
  rm -rf "$E2E_DIR"
  mkdir -p "$E2E_DIR" || exit 1
  trap e2e_finish_run EXIT
}

# The exit trap of e2e_setup_run; ends the script with the status it had.
e2e_finish_run() {
  local status=$?
  e2e_cleanup
  if [ "$status" -ne 0 ]; then
    e2e_log "kept $E2E_DIR for inspection"
    if [ -n "$E2E_SHOWN_FILE" ] && [ -f "$E2E_DIR/$E2E_SHOWN_FILE" ]; then
      tail -n "$E2E_SHOWN_LINES" "$E2E_DIR/$E2E_SHOWN_FILE" >&2
    fi
  elif [ "$E2E_KEEP" != true ]; then
    rm -rf "$E2E_DIR"
    if [ "$E2E_MADE_ROOT" = true ]; then rmdir "$E2E_WORK_ROOT" 2>/dev/null; fi
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
    number=$(tr -dc 0-9 2>/dev/null <"$number_file")
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

# Ends a process of the run: SIGTERM, and SIGKILL if it is still there after
# 10 s (a server stuck on its way out must not hold the run).
e2e_end_process() { # PID
  e2e_process_alive "$1" || return 0
  kill "$1" 2>/dev/null
  e2e_wait_for 10 sh -c "! kill -0 $1" || kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

e2e_stop_display() {
  e2e_end_process "$E2E_XORG_PID"
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

# The X screen's size, "WIDTHxHEIGHT".
e2e_screen_size() {
  xrandr --query | sed -n -E 's/^Screen 0:.* current ([0-9]+) x ([0-9]+),.*/\1x\2/p'
}

# True when the display shows the mode of that size ("WIDTHxHEIGHT") on a
# screen of the same size, as a full-screen switch leaves it.
e2e_shows_mode() { # WIDTHxHEIGHT
  [ "$(e2e_current_mode | cut -d' ' -f1)" = "$1" ] && [ "$(e2e_screen_size)" = "$1" ]
}

# Waits until e2e_shows_mode.
e2e_wait_for_mode() {
  local size=$1 timeout=$2
  e2e_wait_for "$timeout" e2e_shows_mode "$size" ||
    e2e_fail "the display is in mode $(e2e_current_mode) on a screen of $(e2e_screen_size), not $size"
}

# One device loss and recovery of the program's window through the window
# manager: minimised, the NUMBER-th "Direct3D device lost." line in LOG,
# activated, the NUMBER-th "Direct3D device restored." line.
e2e_device_loss_cycle() {
  local log=$1 number=$2
  # A window that never held the focus loses nothing when minimised.
  e2e_wait_for_focus 20 || { e2e_fail "cycle $number: the window does not hold the focus"; return 1; }
  xdotool windowminimize "$E2E_WINDOW"
  e2e_wait_for 20 sh -c "[ \$(sed 's/\r\$//' '$log' | grep -c 'Direct3D device lost.\$') -ge $number ]" ||
    { e2e_fail "cycle $number: no loss logged"; return 1; }
  xdotool windowactivate "$E2E_WINDOW" 2>/dev/null || xdotool windowmap "$E2E_WINDOW"
  e2e_wait_for 20 sh -c "[ \$(sed 's/\r\$//' '$log' | grep -c 'Direct3D device restored.\$') -ge $number ]" ||
    { e2e_fail "cycle $number: no restore logged"; return 1; }
}

# Settings and runtime folders of the run's own, for desktops that keep them
# (GNOME's in dconf, KDE's in files).
e2e_desktop_settings() {
  export XDG_CONFIG_HOME=$E2E_DIR/config XDG_DATA_HOME=$E2E_DIR/data XDG_CACHE_HOME=$E2E_DIR/cache
  export XDG_RUNTIME_DIR=$E2E_DIR/xdg GSETTINGS_BACKEND=keyfile
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

# Starts a window manager (openbox unless named) with two workspaces.
e2e_start_window_manager() { # [openbox|i3|fluxbox|xfwm4|mutter|kwin]
  local name=${1:-openbox}
  case "$name" in
    openbox) openbox --sm-disable >"$E2E_DIR/wm.out" 2>&1 & ;;
    i3)
      printf '%s\n' 'font pango:monospace 8' 'focus_follows_mouse no' >"$E2E_DIR/i3.conf"
      i3 -c "$E2E_DIR/i3.conf" >"$E2E_DIR/wm.out" 2>&1 &
      ;;
    fluxbox)
      mkdir -p "$E2E_DIR/fluxbox"
      printf '%s\n' 'session.screen0.workspaces: 2' >"$E2E_DIR/fluxbox/init"
      fluxbox -rc "$E2E_DIR/fluxbox/init" >"$E2E_DIR/wm.out" 2>&1 &
      ;;
    # xfwm4 reads its settings over a session bus.
    xfwm4) dbus-run-session -- xfwm4 --sm-client-disable --compositor=off >"$E2E_DIR/wm.out" 2>&1 & ;;
    # GNOME's window manager and compositor, with two fixed workspaces.
    mutter)
      e2e_desktop_settings
      dbus-run-session -- sh -c 'gsettings set org.gnome.mutter dynamic-workspaces false &&
        gsettings set org.gnome.desktop.wm.preferences num-workspaces 2 && exec mutter --x11 --replace --sm-disable' \
        >"$E2E_DIR/wm.out" 2>&1 &
      ;;
    # KDE's, with two virtual desktops.
    kwin)
      e2e_desktop_settings
      printf '%s\n' '[Desktops]' 'Number=2' 'Rows=1' >"$XDG_CONFIG_HOME/kwinrc"
      dbus-run-session -- kwin_x11 --replace >"$E2E_DIR/wm.out" 2>&1 &
      ;;
    *)
      e2e_fail "unknown window manager $name"
      return 1
      ;;
  esac
  E2E_WM_PID=$!
  # A window manager owns the screen once it has set _NET_SUPPORTING_WM_CHECK.
  e2e_wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    e2e_fail "$name did not start"
}

# Shows workspace NUMBER (0 the first) through the window manager.
e2e_switch_workspace() { # NUMBER
  if xprop -root I3_SOCKET_PATH 2>/dev/null | grep -q '"'; then
    i3-msg -q workspace "$(($1 + 1))"
  else
    wmctrl -s "$1"
  fi
}

e2e_stop_window_manager() {
  e2e_end_process "$E2E_WM_PID"
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

# Starts E2E_PROGRAM (E2E_KIND) in a fresh working folder asking for 800x600
# at 60 Hz, and waits for its window, its last model and a drawn screen.
e2e_start_drawing_program() { # DIR
  local workdir=$1
  e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
  printf '800 600 60\r\n' >"$workdir/settings.ini"
  e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || return 1
  e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || return 1
  e2e_wait_for_log_line "$workdir/log.txt" "Successfully loaded Models\\Skybox\\Skybox.x" "$E2E_START_TIMEOUT" || return 1
  e2e_wait_for_drawn_screen 60
}

# Makes the Wine prefix WINEPREFIX unless it exists; wineboot's output goes to
# the run folder, if there is one.
e2e_wine_prefix() {
  : "${WINEPREFIX:?WINEPREFIX must name the Wine prefix folder}"
  if [ -f "$WINEPREFIX/system.reg" ]; then return 0; fi
  e2e_log "creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  local output=/dev/null
  if [ -n "$E2E_DIR" ]; then output=$E2E_DIR/wineboot.out; fi
  env "${E2E_WINE_ENV[@]}" wine wineboot --init >"$output" 2>&1 || true
  wineserver -w || true
}

# Replaces the shell with a Windows program under Wine, in WINEPREFIX (made on
# first use): call it in a subshell.
e2e_exec_wine() { # PROGRAM [ARG...]
  e2e_wine_prefix
  exec env "${E2E_WINE_ENV[@]}" wine "$@"
}

# Runs the native program, or a Windows program under 64-bit Wine; WINEPREFIX
# must be set for Wine (it is created on first use).
e2e_start_program() { # native|wine PROGRAM WORKDIR [ARG...]
  local kind=$1 program=$2 workdir=$3
  shift 3
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
        exec env --default-signal=INT,QUIT "$program" "$@") \
        >"$E2E_DIR/program.out" 2>&1 &
      ;;
    wine)
      e2e_wine_prefix
      (cd "$workdir" && e2e_exec_wine "$program" "$@") >"$E2E_DIR/program.out" 2>&1 &
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

# The id is taken by the same search that finds the window: Wine unmaps and
# maps its window again while it switches the mode.
e2e_wait_for_window() {
  local name=$1 timeout=$2
  local deadline=$((SECONDS + timeout))
  E2E_WINDOW=""
  while ((SECONDS < deadline)); do
    E2E_WINDOW=$(e2e_find_window "$name")
    if [ -n "$E2E_WINDOW" ]; then
      e2e_log "window \"$name\" is $E2E_WINDOW"
      return 0
    fi
    sleep 0.1
  done
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

# Succeeds once E2E_WINDOW is the active window (the window manager says so).
e2e_wait_for_focus() {
  e2e_wait_for "$1" sh -c "[ \"\$(xdotool getactivewindow 2>/dev/null)\" = '$E2E_WINDOW' ]"
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
  if e2e_program_running; then e2e_end_process "$E2E_PROGRAM_PID"; fi
  E2E_PROGRAM_PID=""
  if [ "$E2E_PROGRAM_KIND" = wine ]; then wineserver -k 2>/dev/null || true; fi
}

e2e_cleanup() {
  e2e_stop_program
  e2e_stop_window_manager
  e2e_stop_display
}
