#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and
# runs each one for a while, starting from the seed corpus.
#
#   tests/fuzz/run-fuzzers.sh [seconds per target]     (default 30)
#
# FUZZ_BUILD_DIR picks the build folder (default build/fuzz in the repository).
# New inputs go to <build>/corpus-<target>; the seeds here stay as they are.
# Inputs grow to 4 MB, so that work growing faster than the input shows: a
# crash, a leak or an input slower than 5 s (a timeout) ends the run with the
# input saved as <build>/<target>-crash-... (or -timeout-...) and a non-zero
# exit; inputs slower than a second are reported as they are found. A run
# past 1900 MB resident (the sanitizers' own share included) is a finding too:
# a load stays under 2 GB whatever the file says, and these inputs are small.
set -euo pipefail

seconds=${1:-30}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}

command -v clang++ >/dev/null || { echo "run-fuzzers: clang++ is needed (apt-get install clang)" >&2; exit 2; }
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2

for target in fuzz_xfile fuzz_bmp fuzz_dds fuzz_jpeg fuzz_png fuzz_tga; do
  work="$build/corpus-$target"
  mkdir -p "$work"
  echo "run-fuzzers: $target for ${seconds}s"
  "$build/$target" -max_total_time="$seconds" -timeout=5 -report_slow_units=1 -rss_limit_mb=1900 \
    -max_len=4194304 \
    -print_final_stats=1 -artifact_prefix="$build/$target-" "$work" "$here/corpus/$target"
done
echo "run-fuzzers: no failures"
