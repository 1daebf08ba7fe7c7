#!/usr/bin/env bash
# Builds the benchmarks and prints their figures, in one run, inside a private
# virtual display (Xorg with the dummy driver):
# - the device: frames per second with pacing off and CPU time per frame;
# - one frame's system work (controls, update, draw submission), native build;
# - the time from process start to the first frame on the screen, for the
#   native build and for the Windows build under Wine;
# - the .x reader's load time and peak memory next to Assimp's, on a large
#   generated model in four encodings; the texture loader on the shipped
#   textures, a 16384x16384 image and a small file claiming a large one;
# - the readers on files in memory: a grid model in three encodings, many
#   small meshes in one file, textures with their mip chains.
# Needs root for the display (as the end-to-end tests do).
#   tools/bench/run-benchmarks.sh [BUILD_DIR] [WINDOWS_BUILD_DIR]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/linux}
windows_build=${2:-$root/build/windows}
# shellcheck source=../e2e-lib.sh
source "$root/tools/e2e-lib.sh"
e2e_require_tools openbox

# The benchmarks are built with the WALKTHROUGH_BENCHMARKS option.
cmake -S "$root" -B "$build" -DWALKTHROUGH_BENCHMARKS=ON >/dev/null || exit 1
cmake --build "$build" --target walkthrough frame_bench first_frame d3d_frame_bench xload_bench xfile_read_bench modelgen || exit 1

# The display's and the program's logs stay in BUILD_DIR/bench/run.
E2E_WORK_ROOT=$build/bench
E2E_KEEP=true
e2e_setup_run
e2e_start_display || exit 1
e2e_start_window_manager || exit 1
work=$E2E_DIR/work
e2e_prepare_workdir "$work" "$root"

# A Google benchmark's table without its banner about the machine.
figures() {
  grep -v -E '^\*\*\*|^Run on|^CPU Caches|^  L[123]|^Load Average'
}

echo
echo "== Device: frames without pacing (vsync off), scene and overlay =="
"$build/tools/d3d_frame_bench" --benchmark_counters_tabular=true 2>&1 | figures

echo
echo "== One frame's system work, native build (thread CPU time) =="
(cd "$work" && "$build/tools/frame_bench" --benchmark_min_time=2 2>&1) | figures

first_frame_ms() { # KIND PROGRAM
  local kind=$1 program=$2 start shown
  xdotool mousemove 0 0
  start=$(date +%s%N)
  e2e_start_program "$kind" "$program" "$work" 2>/dev/null
  shown=$("$build/tools/first_frame" 120) || { echo "n/a"; e2e_stop_program; return; }
  echo $(((shown - start) / 1000000))
  e2e_wait_for_window "D3D Window" 30 2>/dev/null && e2e_focus_window
  e2e_hold_key Escape 200
  e2e_wait_for_exit 60 2>/dev/null || e2e_stop_program
  # Let the screen fall back to the desktop before the next start.
  sleep 1
}

echo
echo "== Time from process start to the first frame on the screen (median of 3) =="
median() { sort -n | sed -n '2p'; }
native_times=$(for _ in 1 2 3; do first_frame_ms native "$build/walkthrough"; done)
echo "native:          $(median <<<"$native_times") ms  (runs: ${native_times//$'\n'/ })"
if [ -f "$windows_build/walkthrough.exe" ] && command -v wine >/dev/null; then
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix-e2e}
  # A first run creates the prefix and starts the Wine server; it is not measured.
  first_frame_ms wine "$windows_build/walkthrough.exe" >/dev/null
  wine_times=$(for _ in 1 2 3; do first_frame_ms wine "$windows_build/walkthrough.exe"; done)
  echo "Windows (Wine):  $(median <<<"$wine_times") ms  (runs: ${wine_times//$'\n'/ })"
else
  echo "Windows (Wine):  not built"
fi

echo
echo "== Texture loads (shipped textures, a large and a hostile image); .x model load: our reader next to Assimp (large generated model) =="
"$build/tools/xload_bench" --work "$build/bench/models" --modelgen "$build/tools/modelgen/modelgen" --textures "$root/Models"

echo
echo "== .x and texture readers in memory: a grid in three encodings, many small meshes, textures =="
"$build/tools/xfile_read_bench" 2>&1 | figures
