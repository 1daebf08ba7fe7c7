#!/usr/bin/env bash
# Drives the window probe with real X input on a private virtual display and
# checks what its window procedure received: key and system-key messages by
# virtual-key code, raw mouse motion that adds up to the motion sent, and
# Alt+F4 (through the window, or through openbox with --window-manager) ending
# in WM_CLOSE, WM_DESTROY and WM_QUIT with exit code 0.
#
# window_probe_test.sh --native PROBE | --wine PROBE.exe [--work-root DIR] [--window-manager] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--window-manager' -- "$@"
window_manager=${E2E_OPTIONS[window-manager]:-false}
e2e_check_programs
e2e_setup_run work/probe.txt 40
record=$E2E_DIR/work/probe.txt

# Waits until the record has a line matching the extended regular expression.
wait_for_record() {
  e2e_wait_for 10 grep -qE "^$1\$" "$record" || e2e_fail "the probe never recorded \"$1\""
}

count_records() {
  grep -cE "^$1\$" "$record"
}

# The summed raw motion recorded after the line "keyup 36" (Home) and before "keyup 35" (End).
raw_motion_between_markers() {
  awk '$0 == "keyup 36" { on = 1; next } $0 == "keyup 35" { on = 0 } on && $1 == "input" { x += $2; y += $3 }
       END { print x + 0, y + 0 }' "$record"
}

e2e_start_display || exit 1
if [ "$window_manager" = true ]; then e2e_start_window_manager || exit 1; fi
xset r off
# Unaccelerated pointer: motion arrives as sent.
xset m 1/1 0

workdir=$E2E_DIR/work
mkdir -p "$workdir"
e2e_start_program "$E2E_KIND" "$E2E_PROGRAM" "$workdir" || exit 1
e2e_wait_for "$E2E_START_TIMEOUT" grep -qx ready "$record" || { e2e_fail "the probe did not get ready"; exit 1; }
e2e_wait_for_window "D3D Window" 30 || exit 1
e2e_focus_window
# Away from the screen edges, so that no motion is clipped.
xdotool mousemove 400 300

# Keys: a tap, a held key without auto-repeat, navigation keys, F10.
e2e_key w
wait_for_record "keydown 87" || exit 1
wait_for_record "char 119" || exit 1
wait_for_record "keyup 87" || exit 1
e2e_hold_key a 300
wait_for_record "keyup 65" || exit 1
[ "$(count_records "keydown 65")" -eq 1 ] || { e2e_fail "a held key repeated with auto-repeat off"; exit 1; }
e2e_key Up Prior Next
wait_for_record "keyup 34" || exit 1
for code in 38 33 34; do
  [ "$(count_records "keydown $code")" -eq 1 ] || { e2e_fail "no single keydown $code"; exit 1; }
done
e2e_key F10
wait_for_record "syskeyup 121" || exit 1
[ "$(count_records "keydown 121")" -eq 0 ] || { e2e_fail "F10 came as a plain key"; exit 1; }
e2e_key alt+w
wait_for_record "keyup 18" || exit 1
[ "$(count_records "syskeydown 87")" -eq 1 ] || { e2e_fail "Alt+W was no system key"; exit 1; }
# Alt alone is a system key both ways; after Alt+W its release was a plain key up.
e2e_key alt
wait_for_record "syskeyup 18" || exit 1

# Relative motion between two marker keys must add up to what was sent.
e2e_key Home
wait_for_record "keyup 36" || exit 1
for step in "40 0" "-80 0" "0 30" "0 -10" "15 15"; do
  # shellcheck disable=SC2086
  e2e_move_mouse $step
done
e2e_key End
wait_for_record "keyup 35" || exit 1
motion=$(raw_motion_between_markers)
[ "$motion" = "-25 35" ] || { e2e_fail "raw motion added up to ($motion), not (-25 35)"; exit 1; }

# Without a window manager Alt+F4 reaches the window; openbox takes it and asks the window to close.
e2e_key alt+F4
e2e_wait_for_exit 30 || exit 1
[ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "exit code $E2E_EXIT_CODE"; exit 1; }
expected=(close destroy "quit 0")
if [ "$window_manager" = false ]; then expected+=("syskeydown 115"); fi
for line in "${expected[@]}"; do
  grep -qx "$line" "$record" || { e2e_fail "no \"$line\" in the record"; exit 1; }
done
e2e_log "PASS"
