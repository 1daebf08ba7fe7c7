#!/usr/bin/env bash
# End-to-end: a signal (SIGTERM, SIGINT) while the program is loading its
# models, long before its frame loop reads any message. Each model is a
# large generated one, so the loads take seconds. The program must end within
# a second or so with exit code 0, give the desktop its mode back, and leave
# log.txt whole, its last line saying why it ended.
#
# signal_during_load_test.sh --native PROGRAM --modelgen MODELGEN [--triangles N]
#                            [--source-root DIR] [--work-root DIR] [--keep]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

e2e_parse_args '--modelgen MODELGEN' '--triangles N' -- "$@"
modelgen=${E2E_OPTIONS[modelgen]:-}
triangles=${E2E_OPTIONS[triangles]:-2000000}
[ -x "$modelgen" ] || e2e_usage_error "--modelgen must name the built modelgen" '--modelgen MODELGEN'
e2e_check_programs openbox
e2e_setup_run program.out 20

large=$E2E_DIR/large.x
"$modelgen" --large "$triangles" --encoding bin32 --no-textures --out "$large" >/dev/null ||
  { e2e_fail "modelgen could not write the large model"; exit 1; }

e2e_start_display || exit 1
e2e_start_window_manager || exit 1

for signal in TERM INT; do
  xrandr -s 1280x720 || { e2e_fail "could not set the desktop mode"; exit 1; }
  workdir=$E2E_DIR/$signal
  e2e_prepare_workdir "$workdir" "$E2E_SOURCE_ROOT"
  printf '800 600 60\r\n' >"$workdir/settings.ini"
  for model in Crate Level Sniper Skybox; do cp "$large" "$workdir/Models/$model/$model.x"; done
  e2e_start_program native "$E2E_PROGRAM" "$workdir" || exit 1
  e2e_wait_for_window "D3D Window" "$E2E_START_TIMEOUT" || exit 1
  # The device is made (its mode list logged) before the first model loads.
  e2e_wait_for_log_line "$workdir/log.txt" "-> 800x600 @ 60Hz" 30 || exit 1
  if grep -qF "Successfully loaded Models\\Skybox" "$workdir/log.txt"; then
    e2e_fail "the models loaded too fast to be interrupted; raise --triangles"
    exit 1
  fi
  sent=$(date +%s%N)
  kill -"$signal" "$E2E_PROGRAM_PID"
  e2e_wait_for_exit 10 || exit 1
  took_ms=$((($(date +%s%N) - sent) / 1000000))
  [ "$E2E_EXIT_CODE" -eq 0 ] || { e2e_fail "SIG$signal: exit code $E2E_EXIT_CODE"; exit 1; }
  # A quarter of a second to reach the quit, then the watchdog; the polling adds a little.
  [ "$took_ms" -le 1500 ] || { e2e_fail "SIG$signal: ended after ${took_ms} ms"; exit 1; }
  e2e_wait_for_mode 1280x720 10 || { e2e_fail "SIG$signal: the display mode was not given back"; exit 1; }
  e2e_log_is_whole "$workdir/log.txt" || exit 1
  last=$(e2e_log_messages "$workdir/log.txt" | tail -n 1)
  if [ "$last" != "Terminating on SIG$signal... bye!" ]; then
    e2e_fail "SIG$signal: the last line is \"$last\""
    exit 1
  fi
  e2e_log "SIG$signal during the loads: ended in ${took_ms} ms, exit code 0, mode given back, log ends \"$last\""
done
e2e_log "PASS"
