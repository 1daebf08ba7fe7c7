#!/usr/bin/env bash
# Endurance runs of both builds (root, for the virtual display; the builds
# are made first):
# - native: 100 minimise/activate device losses, then 10 minutes of random
#   keys and mouse motion, memory flat within 1 MB;
# - the Windows build under Wine: 30 device losses;
# - the sanitizer build: 10 device losses and 3 minutes of random input
#   without a report (its memory is not judged: the sanitizer keeps freed
#   memory back);
# - every way a user ends the program, for both builds.
# Each run must end with exit code 0, the desktop mode given back and log.txt
# whole. Prints the figures at the end. CI runs a short form (e2e_endurance).
#
#   tools/endurance.sh [--quick]    (--quick: short runs, to try the script)
set -uo pipefail
cd "$(dirname "$0")/.."

native_cycles=100 native_seconds=600 wine_cycles=30 sanitizer_seconds=180
if [ "${1:-}" = --quick ]; then native_cycles=10 native_seconds=60 wine_cycles=8 sanitizer_seconds=30; fi
work=$PWD/build/endurance
rm -rf "$work"
mkdir -p "$work"

cmake --preset linux >/dev/null && cmake --build --preset linux --target walkthrough &&
  cmake --preset linux-asan >/dev/null && cmake --build --preset linux-asan --target walkthrough &&
  cmake --preset windows >/dev/null && cmake --build --preset windows --target walkthrough || exit 1
export WINEPREFIX=$PWD/build/linux/wineprefix-e2e

status=0
run() { # NAME COMMAND...
  local name=$1
  shift
  echo "endurance: $name ..."
  if "$@" --work-root "$work/$name" --keep >"$work/$name.log" 2>&1; then
    echo "endurance: $name passed"
  else
    echo "endurance: $name FAILED; see $work/$name.log and $work/$name/run"
    status=1
  fi
}

e2e=tests/e2e
run native "$e2e/endurance_test.sh" --native build/linux/walkthrough --cycles "$native_cycles" \
  --input-seconds "$native_seconds" --growth-kb 1024
run wine "$e2e/endurance_test.sh" --wine build/windows/walkthrough.exe --cycles "$wine_cycles" --input-seconds 0 \
  --growth-kb 1024
# AddressSanitizer holds freed memory back (its quarantine), so memory is not judged here.
run sanitizer "$e2e/endurance_test.sh" --native build/linux-asan/walkthrough --cycles 10 \
  --input-seconds "$sanitizer_seconds" --growth-kb off
run ends-native "$e2e/ends_test.sh" --native build/linux/walkthrough
run ends-wine "$e2e/ends_test.sh" --wine build/windows/walkthrough.exe

echo
echo "Figures:"
for name in native wine sanitizer ends-native ends-wine; do
  sed -n -e "s/^\[e2e [0-9:]*\] endurance: [a-z]*, /  $name: /p" -e "s/^\[e2e [0-9:]*\] \(.*: exit code 0, mode\)/  $name: \1/p" \
    "$work/$name.log" 2>/dev/null
done
exit "$status"
