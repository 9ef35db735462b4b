#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, seeded from fuzz/corpus/<name>.
# Usage: tools/run-fuzz.sh <build-dir> [seconds-per-target]
set -euo pipefail
build=${1:?build folder}
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
status=0
for target in "$build"/bin/fuzz_*; do
  name=$(basename "$target"); name=${name#fuzz_}
  work=$(mktemp -d)
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  echo "fuzzing $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="$work/" "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    echo "fuzz target $name failed:"; tail -n 40 "$work/log"; status=1
  else
    grep -E '^#[0-9]+ +DONE' "$work/log" || tail -n 2 "$work/log"
  fi
  rm -rf "$work"
done
exit $status
