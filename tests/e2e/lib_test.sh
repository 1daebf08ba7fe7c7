#!/usr/bin/env bash
# The parts of tools/e2e-lib.sh that need no display: its index names every
# function it defines and no other, sourcing it and reading options and making
# a run folder leave no globals but E2E_* ones, the options every script takes
# and a script's own, usage errors, and the run folder, which goes after a pass
# and stays after a failure.
# The scripts run by run_script are written in single quotes, to expand there.
# shellcheck disable=SC2016
set -uo pipefail

repository=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
lib=$repository/tools/e2e-lib.sh
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lib_test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs BODY as a script named script_test.sh that sourced the library.
run_script() { # BODY [ARG...]
  local body=$1
  shift
  TMPDIR=$scratch/tmp bash -c "source '$lib'; $body" script_test.sh "$@"
}

# --- The index -------------------------------------------------------------------
defined=$(sed -n -E 's/^(e2e_[a-z0-9_]+)\(\) \{.*/\1/p' "$lib" | sort)
indexed=$(sed -n -E 's/^#   (e2e_[a-z0-9_]+)( .*)?$/\1/p' "$lib" | sort -u)
[ "$(wc -l <<<"$defined")" -ge 30 ] || fail "only $(wc -l <<<"$defined") functions found in $lib"
[ "$defined" = "$indexed" ] ||
  fail "index and definitions differ: $(diff <(echo "$indexed") <(echo "$defined") | grep '^[<>]' | tr '\n' ' ')"

# --- Globals -----------------------------------------------------------------------
leaked=$(TMPDIR=$scratch/tmp bash -c '
  before=$(compgen -v | sort)
  source "$1"
  e2e_parse_args "--cycles N" -- --native /bin/true --cycles 2 --work-root "$2/globals"
  e2e_setup_run
  e2e_start_timeout wine >/dev/null
  comm -13 <(echo "$before") <(compgen -v | sort) | grep -v -E "^(E2E_|BASH|PIPESTATUS$|_$|before$)" || true
' script_test.sh "$lib" "$scratch")
[ -z "$leaked" ] || fail "globals other than E2E_*: ${leaked//$'\n'/ }"

# --- Options -----------------------------------------------------------------------
show='echo "$E2E_KIND|$E2E_PROGRAM|$E2E_NATIVE|$E2E_WINE|$E2E_SOURCE_ROOT|$E2E_WORK_ROOT|$E2E_KEEP|${E2E_OPTIONS[cycles]:-}|${E2E_OPTIONS[window-manager]:-}"'
parse="e2e_parse_args '--cycles N' '--window-manager' -- \"\$@\"; $show"
got=$(run_script "$parse" --native a --wine b.exe --cycles 7 --work-root /w --keep --window-manager --source-root /s)
[ "$got" = "wine|b.exe|a|b.exe|/s|/w|true|7|true" ] || fail "all options: $got"
got=$(run_script "$parse" --native a)
[ "$got" = "native|a|a||$repository||false||" ] || fail "defaults: $got"
for args in "--native" "--native a --cycles" "--native a --bogus x" "--cycles 3" ""; do
  # shellcheck disable=SC2086
  err=$(run_script "e2e_parse_args '--cycles N' -- \"\$@\"; echo parsed" $args 2>&1 >/dev/null)
  status=$?
  if [ "$status" -ne 2 ] || ! grep -q '^usage: script_test.sh --native PROGRAM .*\[--cycles N\]$' <<<"$err"; then
    fail "\"$args\": exit code $status, stderr: $err"
  fi
done

# --- The run folder ---------------------------------------------------------------------
mkdir -p "$scratch/tmp" "$scratch/given/run"
touch "$scratch/given/run/stale"
got=$(run_script 'E2E_WORK_ROOT=$1; e2e_setup_run; ls -A "$E2E_DIR"; echo "$E2E_DIR"' "$scratch/given")
[ "$got" = "$scratch/given/run" ] || fail "a run folder not made afresh in the work root: $got"
if [ ! -d "$scratch/given" ] || [ -e "$scratch/given/run" ]; then
  fail "after a pass the run folder stayed, or the work root went"
fi

run_script 'e2e_setup_run; touch "$E2E_DIR/made"' || fail "a passing run ended with a failure"
[ -z "$(ls -A "$scratch/tmp")" ] || fail "after a pass the temporary work root stayed: $(ls -A "$scratch/tmp")"

run_script 'E2E_WORK_ROOT=$1; E2E_KEEP=true; e2e_setup_run; touch "$E2E_DIR/made"' "$scratch/kept"
[ -f "$scratch/kept/run/made" ] || fail "E2E_KEEP=true: the run folder went after a pass"

err=$(run_script 'E2E_WORK_ROOT=$1; e2e_setup_run out.txt 2; printf "1\n2\n3\n" >"$E2E_DIR/out.txt"; exit 3' \
  "$scratch/failed" 2>&1)
status=$?
[ "$status" -eq 3 ] || fail "a failing run ended with exit code $status"
[ -f "$scratch/failed/run/out.txt" ] || fail "the run folder went after a failure"
if [ "$(tail -n 2 <<<"$err" | tr '\n' ' ')" != "2 3 " ] || ! grep -q "kept $scratch/failed/run" <<<"$err"; then
  fail "a failure did not show the folder and the file's last lines: $err"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failed" >&2
  exit 1
fi
echo "PASS"
