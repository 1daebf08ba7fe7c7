#!/usr/bin/env bash
# The portable texture loader against the real D3DX under Wine: a catalogue
# of image files of every kind and layout, and damaged ones, named by one
# model, is loaded by xinfo natively and by xinfo.exe under Wine. Their
# reports must agree on each texture: whether it loads, or the code it fails
# with; the file's kind, resource type, size, format and levels; the
# texture's levels, level 0's size and format, and the sum of its texels.
# Files whose reports differ for a known reason are listed, by pattern, in
# texture_differences.txt. The answers to argument classes (null arguments,
# filters, skipped DDS levels) must agree too.
#   texture_compare.sh XINFO XINFO.EXE TEXTURE_CATALOGUE WORK_DIR
set -uo pipefail
xinfo=$(realpath "$1") xinfo_exe=$2 catalogue=$(realpath "$3") work=$4
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -f "$xinfo_exe" ]; then echo "texture_compare: $xinfo_exe is not built (cmake --build --preset windows)" >&2; exit 1; fi
xinfo_exe=$(realpath "$xinfo_exe")
known=$here/texture_differences.txt
rm -rf "$work"
mkdir -p "$work/files"
"$catalogue" "$work/files" >/dev/null || exit 1
cd "$work/files" || exit 1

models=$(printf "%s\n" textures-*.x | sort -t- -k2 -n)
argument_files="dds-a8r8g8b8-mips4.dds bmp-h40-24.bmp"
mkdir -p "$work/wine" "$work/native"
# One start of each for all the models; Wine needs a display for the device xinfo loads with.
# shellcheck disable=SC2086
xvfb-run -a -s "-screen 0 1024x768x24" "$here/run-wine.sh" "$xinfo_exe" --each ../wine $models >"$work/wine.log" 2>&1
# shellcheck disable=SC2086
xvfb-run -a -s "-screen 0 1024x768x24" "$here/run-wine.sh" "$xinfo_exe" --arguments $argument_files \
  >"$work/wine-arguments.txt" 2>&1
# shellcheck disable=SC2086
"$xinfo" --each ../native $models >"$work/native.log" 2>&1
# shellcheck disable=SC2086
"$xinfo" --arguments $argument_files >"$work/native-arguments.txt" 2>&1
n=$(echo "$models" | wc -w)
for side in wine native; do
  for ((i = 0; i < n; ++i)); do cat "$work/$side/$i.txt" 2>/dev/null || echo "no report for model $i"; done >"$work/$side.txt"
  cat "$work/$side.log" >>"$work/$side.txt"
done

patterns=$(grep -vE '^(#|$)' "$known")
# The texture lines, less those of the files listed.
textures() {
  tr -d '\r' <"$1" | grep -E '^ +texture "|does not load|no report' | while IFS= read -r line; do
    name=${line#*texture \"}
    name=${name%%\"*}
    grep -qEf <(echo "$patterns") <<<"$name" || echo "$line"
  done
}
# Where Windows differs from Wine, Windows holds: D3DX refuses filters that
# name none with D3DERR_INVALIDCALL, which Wine takes on texture loads, and
# a skip that leaves a 1x1 level, which Wine refuses.
arguments() {
  tr -d '\r' <"$1" | grep -E '^ +arguments "' \
    | grep -vE '" filter filter (0000000[678]|000000ff|00000100) |" skip levels .* mip filter 0c00000[25]:'
}
status=0
total=$(tr -d '\r' <"$work/native.txt" | grep -cE '^ +texture "')
wine_count=$(tr -d '\r' <"$work/wine.txt" | grep -cE '^ +texture "')
if [ "$wine_count" -ne "$total" ]; then
  echo "texture_compare: Wine reported $wine_count of $total files:"
  tail -20 "$work/wine.log"
  exit 1
fi
if ! diff <(textures "$work/wine.txt") <(textures "$work/native.txt") >"$work/diff.txt"; then
  echo "DIFFERENT (< Wine, > native):"
  cat "$work/diff.txt"
  status=1
fi
compared=$(textures "$work/native.txt" | grep -cE '^ +texture "')
# Every pattern still names a file of the catalogue.
tr -d '\r' <"$work/native.txt" | grep -E '^ +texture "' | sed 's/^ *texture "\([^"]*\)".*/\1/' >"$work/names.txt"
while IFS= read -r pattern; do
  if ! grep -qE "$pattern" "$work/names.txt"; then
    echo "texture_compare: $pattern in $(basename "$known") names no file"
    status=1
  fi
done <<<"$patterns"
if [ "$(arguments "$work/wine-arguments.txt" | wc -l)" -eq 0 ] \
  || ! diff <(arguments "$work/wine-arguments.txt") <(arguments "$work/native-arguments.txt") >"$work/arguments-diff.txt"; then
  echo "DIFFERENT argument answers (< Wine, > native):"
  cat "$work/arguments-diff.txt" "$work/wine-arguments.txt"
  status=1
fi
[ "$status" -eq 0 ] || exit 1
echo "compared $compared of $total image files with the real D3DX ($((total - compared)) differ as texture_differences.txt says)"
echo "compared $(arguments "$work/native-arguments.txt" | wc -l) argument cases"
