#!/usr/bin/env bash
# check-layers.sh on a made-up tree: a circle of includes inside win32/, through
# a header and a source, is found and named; without its last include the tree
# passes.
#   check_layers_test.sh CHECK_LAYERS_SCRIPT
set -u
script=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/app "$root"/support "$root"/gfx "$root"/assets "$root"/scene
win32=$root/platform/portable/win32
mkdir -p "$win32"
include() { printf '#include "platform/portable/win32/%s.h"\n' "$2" >>"$win32/$1"; }
include queue.h api
include queue.cpp queue
include table.cpp queue
include pump.cpp table
include queue.cpp pump
touch "$win32"/api.h "$win32"/table.h "$win32"/pump.h

output=$("$script" "$root")
status=$?
if [ "$status" -eq 0 ] || ! grep -qE '^check-layers: win32/ includes in a circle: (queue|table|pump) (queue|table|pump) (queue|table|pump)$' <<<"$output"; then
  echo "the circle queue -> pump -> table -> queue was not named (exit $status):"
  echo "$output"
  exit 1
fi
printf '' >"$win32/queue.cpp"
include queue.cpp queue
if ! output=$("$script" "$root"); then
  echo "a tree without a circle failed:"
  echo "$output"
  exit 1
fi
echo "check_layers_test: the circle is found, and only it"
