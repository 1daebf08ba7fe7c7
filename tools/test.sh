#!/usr/bin/env bash
# CI's build and tests: the windows, linux-wine and linux-asan presets, with
# warnings as errors and the benchmarks built, then every test: the system
# against the fake platform, the portable layer, the comparisons with the real
# D3DX under Wine, the end-to-end runs in a virtual display, both packages
# (made with CPack, unpacked and run), the sanitizer build's tests, and a short
# run of each fuzzer. Ends with one line counting the tests passed, failed and
# skipped, after the time each stage took. Independent tests run two at a
# time (TEST_JOBS, default 2); those sharing a Wine prefix take turns (CTest
# resource locks), and each end-to-end run has a display of its own. A test
# that cannot run here (no root for the virtual display, a
# tool missing) fails; ALLOW_SKIP=1 makes it a skip instead, for a developer
# who cannot install everything. CI never sets it.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
skipped=0

stages=()
# Runs a stage and notes how long it took.
stage() { # NAME COMMAND...
  local name=$1 start=$SECONDS status=0
  shift
  "$@" || status=$?
  stages+=("$(printf '%-18s %3d min %02d s' "$name" $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60)))")
  return "$status"
}

summary() {
  local line
  for line in "${stages[@]}"; do echo "stage: $line"; done
  echo "tests: $passed passed, $failed failed, $skipped skipped$1"
}

# The Windows build first: the linux-wine preset's tests run it under Wine.
# CI's native builds keep line tables only (-g1): enough for the sanitizers'
# and debuggers' stacks, and a quarter faster to compile than full -g.
build() {
  stage "packages" bash tools/install-deps.sh --full &&
    stage "build windows" eval 'cmake --preset windows -DWALKTHROUGH_WERROR=ON && cmake --build --preset windows' &&
    stage "build linux-wine" eval 'cmake --preset linux-wine -DWALKTHROUGH_WERROR=ON -DWALKTHROUGH_BENCHMARKS=ON \
      "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" &&
      cmake --build --preset linux-wine' &&
    stage "build linux-asan" eval 'cmake --preset linux-asan -DWALKTHROUGH_WERROR=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
      -DCMAKE_C_FLAGS_DEBUG=-g1 && cmake --build --preset linux-asan'
}

# Runs one preset's tests and adds its counts from CTest's JUnit report.
run_tests() {
  local preset=$1 report counts
  report=$PWD/build/$preset/test-results.xml
  rm -f "$report"
  ctest --preset "$preset" -j "${TEST_JOBS:-2}" --output-junit "$report"
  if [ ! -f "$report" ]; then
    failed=$((failed + 1))
    return
  fi
  counts=$(sed -n '/<testsuite/,/>/p' "$report" | grep -oE '(tests|failures|skipped)="[0-9]+"' |
    awk -F'"' '{ value[$1] = $2 } END { print value["tests="] + 0, value["failures="] + 0, value["skipped="] + 0 }')
  read -r total failures skips <<<"$counts"
  passed=$((passed + total - failures - skips))
  failed=$((failed + failures))
  skipped=$((skipped + skips))
}

# A short coverage-guided run over the .x reader and the image decoders; each
# target is one test.
run_fuzzers() {
  local log=build/fuzz-run.log targets
  mkdir -p build
  if bash tests/fuzz/run-fuzzers.sh "${FUZZ_SECONDS:-10}" 2>&1 | tee "$log"; then
    targets=$(grep -c '^run-fuzzers: .* for [0-9]*s$' "$log")
    passed=$((passed + targets))
  else
    targets=$(grep -c '^run-fuzzers: .* for [0-9]*s$' "$log")
    passed=$((passed + (targets > 0 ? targets - 1 : 0)))
    failed=$((failed + 1))
  fi
}

if ! build; then
  summary " (the build failed)"
  exit 1
fi
stage "tests linux-wine" run_tests linux-wine
stage "tests linux-asan" run_tests linux-asan
stage "fuzzers" run_fuzzers

if [ "$failed" -gt 0 ]; then
  summary ""
  exit 1
fi
if [ "$skipped" -gt 0 ] && [ "${ALLOW_SKIP:-0}" != 1 ]; then
  summary " (skips are failures without ALLOW_SKIP=1)"
  exit 1
fi
summary ""
