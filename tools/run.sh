#!/usr/bin/env bash
# Builds the native walk-through and runs it from the repository root. Without
# a display it runs inside a virtual one, takes a screenshot (screenshot.png)
# and closes the program; with a display it simply runs until you quit.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset linux
cmake --build --preset linux --target walkthrough

if [ -n "${DISPLAY:-}" ]; then
  exec ./build/linux/walkthrough
fi

exec xvfb-run -a -s "-screen 0 1024x768x24" bash tools/run-headless.sh ./build/linux/walkthrough screenshot.png
