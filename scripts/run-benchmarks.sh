#!/usr/bin/env bash
# Runs every benchmark program the bench build produced.
set -euo pipefail
dir=${1:-build-bench}
shopt -s nullglob
status=0
for b in "$dir"/bin/bench_*; do
    echo "== $(basename "$b")"
    "$b" --benchmark_counters_tabular=true || status=1
done
exit $status
