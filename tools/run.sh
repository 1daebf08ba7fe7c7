#!/usr/bin/env bash
# Builds the native walk-through and runs it from the repository root. With a
# display it simply runs until you press Escape; without one it runs inside a
# private virtual display, leaves build/screenshots/start.png and walk.png
# (screenshots/ itself with --update-screenshots), and quits by itself. When the
# program fails, the log's failure line is shown.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset linux
cmake --build --preset linux --target walkthrough

status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ./build/linux/walkthrough || status=$?
else
  bash tools/run-headless.sh ./build/linux/walkthrough "$@" || status=$?
fi
if [ "$status" -ne 0 ] && [ -f log.txt ]; then
  # Why it did not start: the log's failure line, or, with none, no window
  # could be made (no display the program can use; SDL says why above).
  failure=$(grep -a 'FAILED: ' log.txt | tr -d '\r' || true)
  echo "walkthrough failed (exit code $status). log.txt says:" >&2
  if [ -n "$failure" ]; then
    echo "  $failure" >&2
  else
    echo "  no failure line: the window could not be created (no display it can use)" >&2
  fi
fi
exit "$status"
