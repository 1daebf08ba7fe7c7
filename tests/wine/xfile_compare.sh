#!/usr/bin/env bash
# The portable .x reader against the real D3DX under Wine: every model the
# program ships, and each of them written again in every encoding (text and
# binary with 32- and 64-bit floats, both compressed forms, with templates),
# is loaded by xinfo natively and by xinfo.exe under Wine. Their reports must
# agree on everything but the file name: vertex and face counts, bounding
# box, vertex (-0 as +0), index and attribute checksums, attribute table,
# subsets, materials, texture names and effect instances. Wine's D3DX does not
# read binary files with 64-bit floats (plain or compressed), which Windows'
# does: those are held against the same model in 32-bit binary instead. The
# catalogue of xfile_samples adds odd, cut and damaged files: there the
# failures must agree too, on their codes.
#   xfile_compare.sh XINFO XINFO.EXE MODELGEN XFILE_SAMPLES SOURCE_ROOT WORK_DIR
set -uo pipefail
xinfo=$1 xinfo_exe=$2 modelgen=$3 samples=$4 source_root=$5 work=$6
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
"$samples" "$work/models/catalogue" || exit 1

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

# Where Wine's D3DX is known to answer otherwise than Windows' does, the
# difference is kept (docs/d3dx-differences.md) and counted, not failed:
# failure codes, Wine's then ours ...
kept_codes=(
  'E_FAIL (0x80004005)|D3DXFERR_PARSEERROR (0x88760390)'
  '0x88760362|D3DXFERR_PARSEERROR (0x88760390)'
  '0x8876035d|D3DXFERR_BADFILETYPE (0x8876038c)'
  '0x8876035e|D3DXFERR_BADFILEVERSION (0x8876038d)'
  '0x8876035f|D3DXFERR_BADFILEFLOATSIZE (0x8876038e)'
  'D3DERR_INVALIDCALL (0x8876086c)|E_FAIL (0x80004005)'
)
# ... and catalogue models (each in all its forms) that Wine loads otherwise.
kept_models=(
  frame-normals mesh-after-quads mesh-after-split-vertices frames-nested frame-matrices-several
  meshes-with-and-without-materials indices-fewer indices-more indices-single
  mesh-empty-beside-mesh effect-instance unknown-template junk-after-mesh
)
failure_code() { tr -d '\r' <"$1" | sed -n -E '1s/^xinfo: ".*" does not load: //p'; }
kept_by_model=0 kept_by_code=0
is_kept() { # FILE WINE_REPORT NATIVE_REPORT
  local model=${1#catalogue/} pair
  model=${model%.x}
  for kept in "${kept_models[@]}"; do
    case "$model" in "$kept" | "$kept"-bin | "$kept"-bin-templates | "$kept"-templates | "$kept"-comments | \
      "$kept"-commas | "$kept"-semicolons | "$kept"-spaces | "$kept"-single-separators)
      kept_by_model=$((kept_by_model + 1))
      return 0
      ;;
    esac
  done
  [ "$(wc -l <"$2")" -eq 1 ] && [ "$(wc -l <"$3")" -eq 1 ] || return 1
  pair="$(failure_code "$2")|$(failure_code "$3")"
  for kept in "${kept_codes[@]}"; do
    if [ "$pair" = "$kept" ]; then
      kept_by_code=$((kept_by_code + 1))
      return 0
    fi
  done
  return 1
}

filter() { tr -d '\r' <"$1" | grep -v -E '^(File|Encoding):' | sed -E 's/\\[a-z0-9]+64\\|\\bin32\\/\\ENCODING\\/; s/"[a-z0-9]+64\\/"ENCODING\\/; s/"bin32\\/"ENCODING\\/'; }
status=0
compared=0
for file in "${files[@]}"; do
  name=${file//\//_}
  "$xinfo" --texels "${file//\//\\}" >"$work/$name.native" 2>&1
done
for file in "${files[@]}"; do
  name=${file//\//_}
  reference=$work/$name.wine
  case "$file" in
    bin64/* | bzip64/*)
      if grep -q "does not load" "$reference"; then reference=$work/bin32_${file#*/}.native; fi
      ;;
  esac
  if diff <(filter "$reference") <(filter "$work/$name.native") >"$work/$name.diff"; then
    :
  elif [[ $file == catalogue/* ]] && is_kept "$file" "$reference" "$work/$name.native"; then
    :
  else
    echo "DIFFERENT: $file"
    cat "$work/$name.diff"
    status=1
  fi
  compared=$((compared + 1))
done
echo "compared $compared files with the real D3DX; kept: $kept_by_code failure codes, $kept_by_model files of kept models"
exit "$status"
