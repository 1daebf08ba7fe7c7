#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine as the end-to-end runs start it;
# WINEPREFIX must be set (the prefix is made on first use, quietly).
set -uo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix folder}"
# shellcheck source=../../tools/e2e-lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/e2e-lib.sh"

for tool in wine wineserver; do
  command -v "$tool" >/dev/null || { echo "run-wine: $tool is not installed (apt-get install wine wine64)" >&2; exit 1; }
done
e2e_wine_prefix 2>/dev/null
status=0
(e2e_exec_wine "$@") || status=$?
wineserver -w || true
exit "$status"
