#!/usr/bin/env bash
# The program under a given window manager, as a user meets it: started with
# the pointer mid-screen, it shows the scene full screen; switching to another
# workspace loses the device, gives the desktop its mode back and keeps it
# while the program waits (no restore, no drawing work); switching back
# restores the device, the mode and the drawing; Escape ends it with exit
# code 0 and the desktop's mode. Another window activated on the same
# workspace loses the device too, and the program activated again restores
# it; a second start ends on Alt+F4 the same way. Nothing is printed on stderr
# by the window layer (X errors).
#
# desktop_test.sh --native PROGRAM | --wine PROGRAM.exe --desktop openbox|i3|fluxbox|xfwm4|mutter|kwin
#                 [--away-seconds N] [--source-root DIR] [--work-root DIR] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--desktop NAME' '--away-seconds N' -- "$@"


desktop=${E2E_OPTIONS[desktop]:-openbox}
away_seconds=${E2E_OPTIONS[away-seconds]:-3}
case "$desktop" in
  i3) e2e_check_programs i3 i3-msg display ;;
  mutter) e2e_check_programs mutter gsettings wmctrl dbus-run-session display ;;
  kwin) e2e_check_programs kwin_x11 wmctrl dbus-run-session display ;;
  *) e2e_check_programs "$desktop" wmctrl dbus-run-session display ;;
esac
e2e_setup_run program.out

# The desktop's mode is the output's preferred one, listed first: mutter and
# kwin apply the preferred mode when they start.
E2E_XORG_CONFIG=$E2E_DIR/xorg-desktop.conf
sed -E 's/^( *Modes) (.*) ("1280x720_60.00")$/\1 \3 \2/' "$E2E_LIB_DIR/xorg-dummy.conf" >"$E2E_XORG_CONFIG"
e2e_start_display || exit 1
xrandr -s 1280x720 || { e2e_fail "could not set the desktop mode"; exit 1; }
e2e_start_window_manager "$desktop" || exit 1
xset r off
xdotool mousemove 640 360

# Processor time of a process in clock ticks (user and system, its threads included).
cpu_ticks() { # PID
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}
count_messages() { # TEXT
  e2e_log_messages "$workdir/log.txt" | grep -cxF -- "$1"
}

workdir=$E2E_DIR/work
e2e_start_drawing_program "$workdir" || exit 1
e2e_wait_for_mode 800x600 20 || exit 1
# Whether a new window gets the focus is the window manager's choice (fluxbox
# leaves one mapped while it settles unfocused): it is activated, as a click would.
e2e_focus_window
e2e_wait_for_focus 20 || { e2e_fail "the window never held the focus"; exit 1; }

# --- Away: another workspace --------------------------------------------------
e2e_switch_workspace 1 || { e2e_fail "could not switch to the second workspace"; exit 1; }
e2e_wait_for_log_line "$workdir/log.txt" "Direct3D device lost." 20 || exit 1
e2e_wait_for_mode 1280x720 20 || exit 1
pid=$E2E_PROGRAM_PID
before=$(cpu_ticks "$pid")
started=$SECONDS
# Nothing may happen while away: the mode stays the desktop's and the device stays lost.
while ((SECONDS - started < away_seconds)); do
  [ "$(e2e_current_mode | cut -d' ' -f1)" = 1280x720 ] ||
    { e2e_fail "the display went to $(e2e_current_mode) while the program was away"; exit 1; }
  [ "$(count_messages "Direct3D device restored.")" -eq 0 ] ||
    { e2e_fail "the device was restored while its workspace was hidden"; exit 1; }
  sleep 0.2
done
ticks=$(($(cpu_ticks "$pid") - before))
per_second=$(getconf CLK_TCK)
e2e_log "while away: $ticks ticks of processor time in ${away_seconds}s ($per_second a second)"
# Drawing takes most of a core here; waiting for the focus takes next to nothing.
((ticks * 5 < per_second * away_seconds)) || { e2e_fail "the program worked while away: $ticks ticks"; exit 1; }

# --- Back: the program's workspace ---------------------------------------------
e2e_switch_workspace 0 || { e2e_fail "could not switch back"; exit 1; }
# Under Wine the program's window is minimised when it loses the focus, as on
# Windows, so it stays so on its workspace until the user brings it back.
if [ "$E2E_KIND" = wine ]; then
  xdotool windowmap "$E2E_WINDOW"
  e2e_focus_window
fi
e2e_wait_for_log_line "$workdir/log.txt" "Direct3D device restored." 20 || exit 1
e2e_wait_for_mode 800x600 20 || exit 1
e2e_screenshot "$E2E_DIR/back.png" || exit 1
e2e_wait_for_screen_change "$E2E_DIR/back.png" "$E2E_DIR/later.png" 0.0001 0 10 ||
  { e2e_fail "nothing is drawn after coming back"; exit 1; }
[ "$(count_messages "Direct3D device lost.")" -eq 1 ] && [ "$(count_messages "Direct3D device restored.")" -eq 1 ] ||
  { e2e_fail "one loss and one restore expected"; exit 1; }

# --- Another window in front on the same workspace, then the program again -----
display -title "another window" -size 240x80 xc:gray >"$E2E_DIR/other.out" 2>&1 &
other_pid=$!
# The window found is the one taken: a second search could miss it while
# ImageMagick sets its windows up.
other=""
e2e_wait_for 20 sh -c "xdotool search --name '^another window\$' >'$E2E_DIR/other.id'" &&
  other=$(head -n 1 "$E2E_DIR/other.id")
[ -n "$other" ] || { e2e_fail "the other window did not show"; exit 1; }
xdotool windowactivate "$other" 2>/dev/null
e2e_wait_for 20 sh -c "[ \$(sed 's/\r\$//' '$workdir/log.txt' | grep -c 'Direct3D device lost.\$') -ge 2 ]" ||
  { e2e_fail "another window in front lost nothing"; exit 1; }
e2e_wait_for_mode 1280x720 20 || exit 1
# Left in view behind the other window, the program minimises itself shortly
# after (a tiling window manager leaves it as it is); then it is brought back
# (mapped, as a task bar does: fluxbox activates no iconic window) and activated.
e2e_wait_for 3 sh -c "xprop -id '$E2E_WINDOW' WM_STATE | grep -q Iconic" || true
restored_twice() {
  [ "$(count_messages "Direct3D device restored.")" -ge 2 ]
}
# As a user does, it is picked again if it did not come back the first time.
for attempt in 1 2; do
  xdotool windowmap "$E2E_WINDOW"
  e2e_focus_window
  e2e_wait_for 10 restored_twice && break
  e2e_log "not restored after attempt $attempt: $(xprop -id "$E2E_WINDOW" WM_STATE _NET_WM_STATE | tr -s '\n\t' ' '), active $(xdotool getactivewindow 2>/dev/null)"
done
restored_twice || { e2e_fail "the device was not restored after the other window"; exit 1; }
e2e_wait_for_mode 800x600 20 || exit 1
e2e_end_process "$other_pid"

# --- Ends: Escape, and Alt+F4 on a second start ----------------------------------
# Escape once the window holds the focus again (the other window's end moves
# it); pressed again, as a user would, if a press went elsewhere meanwhile.
e2e_focus_window
e2e_wait_for_focus 10 || e2e_log "before Escape the active window is $(xdotool getactivewindow 2>/dev/null)"
e2e_hold_key Escape 200
if ! e2e_wait_for 15 sh -c "! kill -0 $E2E_PROGRAM_PID"; then
  e2e_log "still running 15s after Escape; active window $(xdotool getactivewindow 2>/dev/null), pressed again"
  e2e_focus_window
  e2e_hold_key Escape 200
fi
e2e_wait_for_exit 60 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
e2e_wait_for_mode 1280x720 10 || exit 1
# Alt+F4 under Wine is tried by ends_test.sh.
if [ "$E2E_KIND" = native ]; then
  e2e_start_drawing_program "$E2E_DIR/alt-f4" || exit 1
  e2e_wait_for_mode 800x600 20 || exit 1
  e2e_focus_window
  e2e_wait_for_focus 20 || { e2e_fail "the second start never held the focus"; exit 1; }
  e2e_key alt+F4
  e2e_wait_for_exit 60 || exit 1
  [ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE after Alt+F4"; exit 1; }
  e2e_wait_for_mode 1280x720 10 || exit 1
fi
if grep -n 'X error' "$E2E_DIR/program.out" >&2; then
  e2e_fail "X errors on $desktop"
  exit 1
fi
e2e_log "PASS"
