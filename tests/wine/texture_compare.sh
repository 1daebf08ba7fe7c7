#!/usr/bin/env bash
# The portable texture loader against the real D3DX under Wine: image files
# of every kind and layout it reads, and damaged ones, named by one model, are
# loaded by xinfo natively and by xinfo.exe under Wine. Their reports must
# agree on each texture: whether it loads, or the code it fails with; the
# file's kind, size, format and levels; the texture's levels.
#   texture_compare.sh XINFO XINFO.EXE TEXTURE_SAMPLES WORK_DIR
set -uo pipefail
xinfo=$(realpath "$1") xinfo_exe=$2 samples=$(realpath "$3") work=$4
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -f "$xinfo_exe" ]; then echo "texture_compare: $xinfo_exe is not built (cmake --build --preset windows)" >&2; exit 1; fi
xinfo_exe=$(realpath "$xinfo_exe")
rm -rf "$work"
mkdir -p "$work/samples"
"$samples" "$work/samples" || exit 1
cd "$work/samples" || exit 1

# Wine needs a display for the device xinfo loads with.
xvfb-run -a -s "-screen 0 1024x768x24" "$here/run-wine.sh" "$xinfo_exe" textures.x >"$work/wine.txt" 2>&1
"$xinfo" textures.x >"$work/native.txt" 2>&1

textures() { tr -d '\r' <"$1" | grep -E '^ +texture "'; }
count=$(textures "$work/wine.txt" | wc -l)
if [ "$count" -eq 0 ]; then echo "texture_compare: no texture lines from Wine:"; cat "$work/wine.txt"; exit 1; fi
if ! diff <(textures "$work/wine.txt") <(textures "$work/native.txt") >"$work/diff.txt"; then
  echo "DIFFERENT (< Wine, > native):"
  cat "$work/diff.txt"
  exit 1
fi
echo "compared $count textures with the real D3DX"
