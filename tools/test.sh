#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Three builds:
#  - asan: clang with the address and undefined-behaviour sanitizers; every unit test, then a
#    bounded run of every fuzz target (built in the same tree);
#  - tsan: only the tests of threads and cross-thread messages, under the thread sanitizer;
#  - default: the optimised build; every unit test, and the benchmarks compiled (not run).
# Builds use line-table debug info only; under CI (CI set) the compiler cache is not used, so
# the time measured is that of a cold build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc)
settings=(-DPARCH_DEBUG_INFO=lines)
[ -n "${CI:-}" ] && settings+=(-DPARCH_USE_CCACHE=OFF)
start=$SECONDS
stage() { echo "== $1 ($((SECONDS - start)) s)"; }

export LSAN_OPTIONS="suppressions=$PWD/tools/lsan-suppressions.txt"
stage "asan: build"
cmake --preset asan "${settings[@]}" >/dev/null
cmake --build --preset asan -j "$jobs"
stage "asan: fuzz targets"
bash tools/run-fuzz.sh build/asan
stage "asan: tests"
ctest --preset asan -j "$jobs"

stage "tsan: build and thread tests"
cmake --preset tsan "${settings[@]}" >/dev/null
cmake --build --preset tsan -j "$jobs" --target test_framework test_platform_win test_app
ctest --preset tsan -j "$jobs" -R '^(Threads|ThreadShutdown|ApplicationLoop|ApplicationShutdown|Messages)\.|^Placement\.Asynchronous|^(DocumentListTest|RunBehaviourTest|ProgramTest)\.|^(Answers/PasswordLoopTest|OptionSets/RunMatchesParchcliTest)\.'

stage "default: build, benchmarks compiled"
cmake --preset default "${settings[@]}" >/dev/null
cmake --build --preset default -j "$jobs"
stage "default: tests"
ctest --preset default -j "$jobs"
stage "done"
