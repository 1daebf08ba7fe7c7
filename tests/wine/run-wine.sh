#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine with a quiet, reusable prefix.
# WINEPREFIX must be set; the prefix is created on first use.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix folder}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

for tool in wine wineserver; do
  command -v "$tool" >/dev/null || { echo "run-wine: $tool is not installed (apt-get install wine wine64)" >&2; exit 1; }
done
wine_binary=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine_binary" wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
status=0
"$wine_binary" "$@" || status=$?
wineserver -w || true
exit "$status"
