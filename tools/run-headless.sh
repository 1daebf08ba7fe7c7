#!/usr/bin/env bash
# Inside a virtual display: starts the program, waits for its window, takes a
# screenshot of the screen and closes the program. Usage: run-headless.sh PROGRAM SCREENSHOT
set -uo pipefail
program=$1
screenshot=$2

"$program" &
pid=$!

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name "^D3D Window$" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done

if [ -n "$window" ]; then
  # Let a few frames be drawn, then photograph the screen.
  for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  import -window root "$screenshot"
  xdotool key --window "$window" Escape 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null
else
  import -window root "$screenshot"
fi
wait "$pid"
status=$?
echo "walkthrough exited with code $status; screenshot: $screenshot; log: log.txt"
exit "$status"
