#!/usr/bin/env bash
# Builds and runs every benchmark; each one measures our code against the tool a user would
# pick instead, in the same run, on the same input. Every line ends with "ours is N x slower
# (or faster) than <peer>"; the counters vs_<peer> hold the same ratios. Large inputs are made
# once into build/bench/bench-cache/. Extra arguments go to every benchmark executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"
shopt -s nullglob
for b in build/bench/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
