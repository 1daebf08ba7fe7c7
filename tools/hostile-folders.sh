#!/usr/bin/env bash
# Crafted model folders of eight kinds, made by hostile_files.py, each loaded
# by the model inspector the way the program loads a model: the mesh, then
# every material's texture. Each load must end within the time limit, under
# the memory limit, with a failure code or a clean load, and never by a signal.
#
#   tools/hostile-folders.sh [--xinfo PATH] [--work DIR] [--seconds N] [--memory-mb N]
#
# --xinfo: the native inspector (default build/linux/tools/xinfo); --work:
# where the folders go (a temporary folder, removed after, without it);
# --seconds: each load's time limit (default 30); --memory-mb: its peak
# resident limit (default 1024: what the documented limits (docs/untrusted-input.md) allow the loads here,
# a texture of 8192x8192 at most about 600 MB; the address space is capped
# at twice that). Prints one line a load and ends non-zero
# when any load broke a rule. Needs GNU time (/usr/bin/time) for the peak,
# and python3.
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
command -v python3 >/dev/null || { echo "hostile-folders: python3 is needed (apt-get install python3)" >&2; exit 2; }
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

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
python3 "$root/tools/hostile_files.py" "$work" || { echo "hostile-folders: the folders were not made" >&2; exit 2; }

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
