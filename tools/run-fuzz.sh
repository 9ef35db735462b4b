#!/usr/bin/env bash
# Runs every fuzz target of a build, seeded from fuzz/corpus/<name>, as many at a time as there
# are cores. The total time is bounded: a budget of CPU seconds is shared among the targets
# (at least a minimum each), so adding targets does not make the run grow without limit.
# The seed is fixed (PARCH_FUZZ_SEED overrides it), so runs on one build mostly walk the same
# way; machine speed still changes how far each gets, so before landing, run longer locally with
# a few seeds (tools/run-fuzz.sh build/asan 2000 60 with PARCH_FUZZ_SEED set).
# Usage: tools/run-fuzz.sh <build-dir> [budget-seconds] [minimum-seconds-per-target]
set -euo pipefail
build=${1:?build folder}
budget=${2:-${PARCH_FUZZ_BUDGET:-160}}
minimum=${3:-10}
seed=${PARCH_FUZZ_SEED:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tools/lsan-suppressions.txt}
shopt -s nullglob
targets=("$build"/bin/fuzz_*)
((${#targets[@]})) || { echo "no fuzz targets in $build"; exit 1; }
seconds=$((budget / ${#targets[@]}))
((seconds >= minimum)) || seconds=$minimum

fuzz_one() {
  local target=$1 name work seeds=()
  name=$(basename "$target"); name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  if ! "$target" -seed="$seed" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="$work/" "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    echo "fuzz target $name failed:"; tail -n 40 "$work/log"; rm -rf "$work"; return 1
  fi
  echo "fuzzed $name for ${seconds}s: $(grep -E '^#[0-9]+ +DONE' "$work/log" || tail -n 1 "$work/log")"
  rm -rf "$work"
}
export -f fuzz_one
export root seconds seed
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'fuzz_one "$1"' _ {}
