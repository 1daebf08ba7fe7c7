#!/usr/bin/env bash
# Checks the include rules of the tree and prints each file that breaks one:
# - system code (app, support, gfx, assets, scene) has no platform #if;
# - nothing in platform/ includes system code;
# - in platform/portable each folder includes only itself and the folders
#   below it; the API declarations (types.h, api.h, math.h) count as the
#   lowest folder of their API, and the program's entry (entry.cpp) stands
#   above them all;
# - inside win32/ the includes point one way: no file (its .h and .cpp
#   together) includes a header of a file that includes it back, directly or
#   through others.
#
#   tools/check-layers.sh [SOURCE_ROOT]
set -uo pipefail
cd "${1:-$(dirname "$0")/..}" || exit 2

# Folders of platform/portable, lowest first. Folders of one rank do not
# include each other.
rank_of() {
  case $1 in
    win32/*) echo 0 ;;
    d3d9/types.h | d3d9/api.h) echo 1 ;;
    d3d9/gl/*) echo 1 ;;
    d3d9/*) echo 2 ;;
    d3dx/math.h | d3dx/api.h) echo 3 ;;
    d3dx/xfile/* | d3dx/image/* | d3dx/font/*) echo 3 ;;
    d3dx/*) echo 4 ;;
    entry.cpp) echo 5 ;;
    *) echo unknown ;;
  esac
}
is_declaration() {
  case $1 in
    win32/types.h | win32/api.h | d3d9/types.h | d3d9/api.h | d3dx/math.h | d3dx/api.h) return 0 ;;
    *) return 1 ;;
  esac
}

broken=0
complain() {
  echo "check-layers: $*"
  broken=1
}

while IFS= read -r file; do
  complain "$file: platform #if above platform/"
done < <(grep -rlE '^\s*#\s*(if|ifdef|ifndef|elif).*(_WIN32|__linux__|_MSC_VER|__MINGW)' app support gfx assets scene)

while IFS= read -r line; do
  complain "${line%%:*}: includes system code"
done < <(grep -rnE '#include "(app|support|gfx|assets|scene)/' platform)

portable=platform/portable
while IFS= read -r line; do
  file=${line%%:*}
  file=${file#"$portable"/}
  target=$(sed -E 's/.*#include "platform\/portable\/([^"]*)".*/\1/' <<<"$line")
  from=$(rank_of "$file")
  to=$(rank_of "$target")
  if [ "$from" = unknown ] || [ "$to" = unknown ]; then
    complain "$file: outside the known folders ($target)"
    continue
  fi
  [ "$(dirname "$file")" = "$(dirname "$target")" ] && continue
  if is_declaration "$target"; then
    ((to <= from)) && continue
  elif ((to < from)); then
    continue
  fi
  complain "$file includes $target, a folder not below it"
done < <(grep -rn '#include "platform/portable/' "$portable")

# Each include inside win32/ as "file header", by name without extension;
# tsort names the files of a circle.
circle=$(grep -rHo '#include "platform/portable/win32/[^"]*\.h"' "$portable/win32" |
  sed -E 's|^.*/([^/.]+)\.[a-z]+:#include "platform/portable/win32/([^".]+)\.h"$|\1 \2|' |
  awk '$1 != $2' | tsort 2>&1 >/dev/null | sed -n 's/^tsort: \([^ :]*\)$/\1/p' | awk '!seen[$0]++' | tr '\n' ' ')
[ -n "$circle" ] && complain "win32/ includes in a circle: ${circle% }"

while IFS= read -r line; do
  complain "${line%%:*}: the boundary belongs to system code; include the layer's own headers"
done < <(grep -rn '#include "platform/platform.h"' "$portable")

[ "$broken" -eq 0 ] && echo "check-layers: every include keeps to its layer"
exit "$broken"
