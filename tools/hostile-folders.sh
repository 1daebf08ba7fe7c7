#!/usr/bin/env bash
# Crafted model folders of eight kinds, made here with the shell alone (apart
# from the tests' own files), each loaded by the model inspector the way the
# program loads a model: the mesh, then every material's texture. Each load
# must end within the time limit, under the memory limit, with a failure code
# or a clean load, and never by a signal.
#
#   tools/hostile-folders.sh [--xinfo PATH] [--work DIR] [--seconds N] [--memory-mb N]
#
# --xinfo: the native inspector (default build/linux/tools/xinfo); --work:
# where the folders go (a temporary folder, removed after, without it);
# --seconds: each load's time limit (default 30); --memory-mb: its peak
# resident limit (default 1024: what the documented limits (docs/untrusted-input.md) allow the loads here,
# a texture of 8192x8192 at most about 600 MB; the address space is capped
# at twice that). Prints one line a load and ends non-zero
# when any load broke a rule. Needs GNU time (/usr/bin/time) for the peak.
#
# The kinds: a texture name of millions of components; a vertex used with a
# million normals; textures that are not files (a pipe, devices, a folder,
# standard input through /proc); files cut short while they load; one large
# texture named 64 ways; a texture just over a power of two; a missing texture
# named by 1,000 materials beside 70,000 files; a sparse 1.9 GB texture named
# by 20 materials.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
xinfo=$root/build/linux/tools/xinfo
work=
seconds=30
memory_mb=1024
while [ $# -gt 0 ]; do
  case $1 in
    --xinfo) xinfo=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --memory-mb) memory_mb=$2; shift 2 ;;
    *) echo "usage: $0 [--xinfo PATH] [--work DIR] [--seconds N] [--memory-mb N]" >&2; exit 2 ;;
  esac
done
[ -x "$xinfo" ] || { echo "hostile-folders: no inspector at $xinfo" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "hostile-folders: /usr/bin/time is needed (apt-get install time)" >&2; exit 2; }
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

# ---- Writing files

# A 32-bit little-endian number as printf escapes.
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }

# `count` copies of the file `unit`, by doubling.
repeat_file() { # unit count out
  local unit=$1 count=$2 out=$3 piece=$work/.piece.$$ next=$work/.next.$$
  : >"$out"
  cp "$unit" "$piece"
  while [ "$count" -gt 0 ]; do
    [ $((count & 1)) -eq 1 ] && cat "$piece" >>"$out"
    count=$((count >> 1))
    [ "$count" -gt 0 ] && { cat "$piece" "$piece" >"$next"; mv "$next" "$piece"; }
  done
  rm -f "$piece"
}

# A 24-bit run-length encoded TGA of one color: width x height texels in
# runs of 128 (runs may cross rows).
write_tga() { # path width height
  local path=$1 width=$2 height=$3 packet=$work/.packet.$$ texels=$(($2 * $3))
  printf '\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00'"$(le16 "$width")$(le16 "$height")"'\x18\x20' >"$path"
  printf '\xff\x40\x80\xc0' >"$packet"
  repeat_file "$packet" $((texels / 128)) "$path.runs"
  cat "$path.runs" >>"$path"
  rm -f "$path.runs"
  if [ $((texels % 128)) -gt 0 ]; then
    printf "$(printf '\\x%02x' $((0x80 + texels % 128 - 1)))"'\x40\x80\xc0' >>"$path"
  fi
  rm -f "$packet"
}

# A model of one triangle whose materials name the given textures.
write_model() { # path texture...
  local path=$1
  shift
  {
    printf 'xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n MeshMaterialList { %d; 1; 0;;\n' $#
    for texture in "$@"; do
      printf '  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "%s"; } }\n' "$texture"
    done
    printf ' }\n}\n'
  } >"$path"
}

climb=$(printf '../%.0s' $(seq 1 40))

# 1. A texture name of 8 million components: "./" repeated (16 MB, within
# the reader's 16 MiB of material names).
make_long_name() {
  local folder=$work/long-name
  mkdir -p "$folder"
  {
    printf 'xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n MeshMaterialList { 1; 1; 0;;\n'
    printf '  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "'
    yes './' | head -n 8000000 | tr -d '\n'
    printf 't.tga"; } }\n }\n}\n'
  } >"$folder/model.x"
}

# 2. One vertex used with a million normals: a million triangles on three
# vertices, each corner with a normal of its own.
make_normals() {
  local folder=$work/normals triangles=1000000
  mkdir -p "$folder"
  {
    printf 'xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n%d;\n' $triangles
    yes '3;0,1,2;,' | head -n $((triangles - 1))
    printf '3;0,1,2;;\nMeshNormals { %d;\n' $((3 * triangles))
    seq 1 $((3 * triangles - 1)) | sed 's/.*/1;&;0;,/'
    printf '1;0;0;;\n%d;\n' $triangles
    seq 0 $((triangles - 2)) | awk '{ printf "3;%d,%d,%d;,\n", 3 * $1, 3 * $1 + 1, 3 * $1 + 2 }'
    printf '3;%d,%d,%d;;\n}\n}\n' $((3 * triangles - 3)) $((3 * triangles - 2)) $((3 * triangles - 1))
  } >"$folder/model.x"
}

# 3. Textures that are not files: a pipe nobody writes to, devices (one
# through a link), a folder, standard input, and a link to a real texture.
make_not_files() {
  local folder=$work/not-files
  mkdir -p "$folder/folder.tga"
  mkfifo "$folder/pipe.tga"
  ln -s /dev/zero "$folder/zero.tga"
  write_tga "$folder/real.tga" 64 64
  ln -s real.tga "$folder/link.tga"
  write_model "$folder/model.x" pipe.tga zero.tga folder.tga "${climb}dev/zero" "${climb}dev/urandom" \
    "${climb}proc/self/fd/0" link.tga
  mkfifo "$folder/pipe.x"
}

# 4. Files cut short while they load: a 60 MB model, and an 8192x8192
# texture, each cut to a sliver a moment after its load starts.
make_cut_short() {
  local folder=$work/cut-short vertices=4500000
  mkdir -p "$folder"
  {
    printf 'xof 0303txt 0032\nMesh { %d;\n' $vertices
    yes '1.5;2.5;3.5;,' | head -n $((vertices - 1))
    printf '1;2;3;;\n1; 3;0,1,2;;\n MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "big.tga"; } } }\n}\n'
  } >"$folder/model.whole"
  write_model "$folder/textured.x" big.tga
  write_tga "$folder/big.whole" 8192 8192
}

# 5. One large texture named 64 ways ("./" more each time): 64 textures of
# 11 MB each (with their mip levels) if all were made ahead at once.
make_named_64_ways() {
  local folder=$work/named-64-ways names=() i
  mkdir -p "$folder"
  write_tga "$folder/shared.tga" 1024 2048
  for i in $(seq 0 63); do names+=("$(printf './%.0s' $(seq 1 "$i"))shared.tga"); done
  names[0]=shared.tga
  write_model "$folder/model.x" "${names[@]}"
}

# 6. A texture just over a power of two: 4097x8192, made 8192x8192.
make_just_over() {
  local folder=$work/just-over
  mkdir -p "$folder"
  write_tga "$folder/wide.tga" 4097 8192
  write_model "$folder/model.x" wide.tga
}

# 7. A missing texture named by 1,000 materials, beside 70,000 files (and
# one more, reached by climbing in and out of a folder 40 times).
make_missing_beside_many() {
  local folder=$work/beside-many names=()
  mkdir -p "$folder/F"
  (cd "$folder" && seq -f 'file%06g.dat' 1 70000 | xargs touch)
  write_tga "$folder/F/T.tga" 64 64
  for i in $(seq 1 1000); do names+=(missing.tga); done
  write_model "$folder/model.x" "${names[@]}" "$(printf 'f/../%.0s' $(seq 1 40))f/t.tga"
}

# 8. A 1.9 GB sparse texture (a TGA header, then nothing) named by 20 materials.
make_sparse() {
  local folder=$work/sparse names=()
  mkdir -p "$folder"
  write_tga "$folder/sparse.tga" 64 64
  truncate -s 1900M "$folder/sparse.tga"
  for i in $(seq 1 20); do names+=(sparse.tga); done
  write_model "$folder/model.x" "${names[@]}"
}

# ---- Loading

failures=0

# Loads a model under the limits and prints how it ended. Extra arguments:
# a command run in the background meanwhile (to change files).
load() { # label model [command...]
  local label=$1 model=$2 out=$work/.out.$$ peak_file=$work/.peak.$$ status peak ended
  shift 2
  local start end
  start=$(date +%s%N)
  ( ulimit -v $((memory_mb * 2 * 1024))
    exec /usr/bin/time -f '%M' -o "$peak_file" timeout -s KILL "$seconds" "$xinfo" "$model" ) >"$out" 2>&1 &
  local loader=$!
  [ $# -gt 0 ] && "$@"
  wait "$loader"
  status=$?
  end=$(date +%s%N)
  peak=$(tail -n 1 "$peak_file" 2>/dev/null | grep -E '^[0-9]+$' || echo 0)
  local ms=$(((end - start) / 1000000)) verdict=ok
  if grep -q 'Command terminated by signal\|Command exited with non-zero status 137' "$peak_file" 2>/dev/null \
     || [ "$status" -gt 128 ] || [ "$status" -eq 124 ]; then
    ended="signal or time limit (status $status)"
    verdict=FAIL
  elif [ "$status" -eq 0 ]; then
    ended="loads, $(grep -c 'does not load' "$out") of its textures fail"
  elif [ "$status" -eq 1 ]; then
    ended="fails: $(grep -o 'does not load: [A-Z0-9_]*' "$out" | head -n 1 | cut -d' ' -f4)"
  else
    ended="inspector status $status"
    verdict=FAIL
  fi
  if [ "$ms" -gt $((seconds * 1000)) ] || [ "$peak" -gt $((memory_mb * 1024)) ]; then verdict=FAIL; fi
  [ "$verdict" = FAIL ] && failures=$((failures + 1))
  printf '%-4s %-44s %7d ms %7d MB  %s\n' "$verdict" "$label" "$ms" $((peak / 1024)) "$ended"
  rm -f "$out" "$peak_file"
}

# Cuts a file to 4 KB after `delay` seconds.
cut_after() { # delay file
  sleep "$1"
  truncate -s 4096 "$2"
}

echo "hostile-folders: making the folders in $work"
make_long_name
make_normals
make_not_files
make_cut_short
make_named_64_ways
make_just_over
make_missing_beside_many
make_sparse

echo "hostile-folders: each load within ${seconds} s and ${memory_mb} MB, ending with a code or loading"
load "texture name of 8 million components" "$work/long-name/model.x"
load "vertex with a million normals" "$work/normals/model.x"
load "textures that are not files" "$work/not-files/model.x"
load "model that is a pipe" "$work/not-files/pipe.x"
for delay in 0.02 0.05 0.1 0.2; do
  cp "$work/cut-short/model.whole" "$work/cut-short/model.x"
  load "model cut short after ${delay} s" "$work/cut-short/model.x" cut_after "$delay" "$work/cut-short/model.x"
  cp "$work/cut-short/big.whole" "$work/cut-short/big.tga"
  load "texture cut short after ${delay} s" "$work/cut-short/textured.x" cut_after "$delay" "$work/cut-short/big.tga"
done
load "one large texture named 64 ways" "$work/named-64-ways/model.x"
load "texture of 4097x8192" "$work/just-over/model.x"
load "missing texture beside 70,000 files" "$work/beside-many/model.x"
load "sparse texture of 1.9 GB, 20 times" "$work/sparse/model.x"

if [ "$failures" -gt 0 ]; then
  echo "hostile-folders: $failures loads broke the limits"
  exit 1
fi
echo "hostile-folders: every load ended in time, in memory, without a signal"
