#!/usr/bin/env bash
# The portable .x reader against the real D3DX under Wine: every model the
# program ships, and each of them written again in every encoding (text and
# binary with 32- and 64-bit floats, both compressed forms, with templates),
# is loaded by xinfo natively and by xinfo.exe under Wine. Their reports must
# agree on everything but the file name and the vertex checksum (a text "-0.0"
# may load as -0 or +0): encoding, vertex, face, subset and material counts,
# bounding box, index and attribute checksums, attribute table, materials and
# texture names. Wine's D3DX does not read binary files with 64-bit floats
# (plain or compressed), which Windows' does: those are held against the same
# model in 32-bit binary instead.
#   xfile_compare.sh XINFO XINFO.EXE MODELGEN SOURCE_ROOT WORK_DIR
set -uo pipefail
xinfo=$1 xinfo_exe=$2 modelgen=$3 source_root=$4 work=$5
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -f "$xinfo_exe" ]; then echo "xfile_compare: $xinfo_exe is not built (cmake --build --preset windows)" >&2; exit 1; fi
xinfo_exe=$(realpath "$xinfo_exe")
rm -rf "$work"
mkdir -p "$work/models"
cp -r "$source_root/Models" "$work/models/shipped"
for encoding in text64 bin32 bin64 tzip32 tzip64 bzip32 bzip64; do
  for model in crate level sniper skybox; do
    "$modelgen" --model "$model" --encoding "$encoding" --templates --out "$work/models/$encoding" >/dev/null || exit 1
  done
done

cd "$work/models" || exit 1
mapfile -t files < <(find . -name '*.x' | sed 's|^\./||' | sort)

# One start of xinfo.exe for every file (each start under Wine costs a
# second or more); Wine needs a display for the device xinfo loads with.
windows_names=()
for file in "${files[@]}"; do windows_names+=("${file//\//\\}"); done
mkdir -p "$work/wine-each"
xvfb-run -a -s "-screen 0 1024x768x24" "$here/run-wine.sh" "$xinfo_exe" --each ../wine-each "${windows_names[@]}" \
  >"$work/wine-run.txt" 2>&1
for index in "${!files[@]}"; do
  name=${files[index]//\//_}
  if [ -f "$work/wine-each/$index.txt" ]; then
    mv "$work/wine-each/$index.txt" "$work/$name.wine"
  else
    { echo "no report from xinfo.exe:"; cat "$work/wine-run.txt"; } >"$work/$name.wine"
  fi
done

filter() { tr -d '\r' <"$1" | grep -v -E '^(File|Encoding):' | sed -E 's/^Checksums: vertices [0-9a-f]+, /Checksums: /; s/\\[a-z0-9]+64\\|\\bin32\\/\\ENCODING\\/; s/"[a-z0-9]+64\\/"ENCODING\\/; s/"bin32\\/"ENCODING\\/'; }
status=0
compared=0
for file in "${files[@]}"; do
  name=${file//\//_}
  "$xinfo" "${file//\//\\}" >"$work/$name.native" 2>&1
done
for file in "${files[@]}"; do
  name=${file//\//_}
  reference=$work/$name.wine
  case "$file" in
    bin64/* | bzip64/*)
      if grep -q "does not load" "$reference"; then reference=$work/bin32_${file#*/}.native; fi
      ;;
  esac
  if ! diff <(filter "$reference") <(filter "$work/$name.native") >"$work/$name.diff"; then
    echo "DIFFERENT: $file"
    cat "$work/$name.diff"
    status=1
  fi
  compared=$((compared + 1))
done
echo "compared $compared files with the real D3DX"
exit "$status"
