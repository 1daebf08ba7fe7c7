#!/usr/bin/env bash
# Builds all three presets and runs every test: the system against the fake
# platform, the portable layer, the comparisons with the real D3DX under Wine,
# the end-to-end runs in a virtual display, the sanitizer build's tests, and a
# short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

cmake --preset windows
cmake --build --preset windows

cmake --preset linux
cmake --build --preset linux
ctest --preset linux

cmake --preset linux-asan
cmake --build --preset linux-asan
ctest --preset linux-asan

# A short coverage-guided run over the .x reader and the image decoders.
bash tests/fuzz/run-fuzzers.sh "${FUZZ_SECONDS:-20}"
