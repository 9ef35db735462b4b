#!/usr/bin/env bash
# Builds and runs every benchmark; each one measures our code against the tool a user would
# pick instead, in the same run. Extra arguments go to every benchmark executable.
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
