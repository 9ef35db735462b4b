#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the thread tests under the thread
# sanitizer, the unit tests in a normal build and under the address and undefined-behaviour
# sanitizers, a bounded run of every fuzz target,
# and a build of the benchmarks so they keep compiling.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash tools/run-fuzz.sh build/fuzz "${PARCH_FUZZ_SECONDS:-20}"

cmake --preset bench >/dev/null
cmake --build --preset bench -j "$jobs"

# The threads and the window system's cross-thread messages under the thread sanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target test_framework test_platform_win
ctest --preset tsan -j "$jobs" -R '^(Threads|ThreadShutdown|ApplicationLoop|ApplicationShutdown|Messages)\.|^Placement\.Asynchronous'

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
