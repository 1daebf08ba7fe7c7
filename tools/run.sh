#!/usr/bin/env bash
# Builds the native walk-through and runs it from the repository root. With a
# display it simply runs until you press Escape; without one it runs inside a
# private virtual display, leaves screenshots/start.png and screenshots/walk.png,
# and quits by itself.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset linux
cmake --build --preset linux --target walkthrough

if [ -n "${DISPLAY:-}" ]; then
  exec ./build/linux/walkthrough
fi
exec bash tools/run-headless.sh ./build/linux/walkthrough
