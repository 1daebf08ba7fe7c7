#!/usr/bin/env bash
# Runs a command on a private Xorg dummy display with the modes of
# xorg-dummy.conf, the display the end-to-end runs use, and ends the display
# after it. Listing GoogleTest cases needs no display: that runs as it is.
#   with_dummy_display.sh COMMAND [ARG...]
set -uo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../tools/e2e-lib.sh
source "$script_dir/../../tools/e2e-lib.sh"

for arg in "$@"; do
  if [ "$arg" = --gtest_list_tests ]; then exec "$@"; fi
done
e2e_require_tools
E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/dummy_display.XXXXXX")
trap 'e2e_stop_display; rm -rf "$E2E_DIR"' EXIT
e2e_start_display 2>/dev/null || { cat "$E2E_DIR/Xorg.log" >&2; exit 1; }
"$@"
