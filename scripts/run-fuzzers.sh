#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for FUZZ_SECONDS (30) each. New inputs go to a working
# corpus under the build folder, seeded from fuzz/NAME/corpus; an input that finds a fault is
# saved under build-fuzz/artifacts/ and fails the run (add it to fuzz/NAME/corpus once mended).
set -euo pipefail
dir=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}
mkdir -p "$dir/artifacts"
shopt -s nullglob
status=0
for bin in "$dir"/bin/fuzz_*; do
    name=$(basename "$bin")
    name=${name#fuzz_}
    work="$dir/corpus/$name"
    mkdir -p "$work"
    echo "== fuzz_$name for ${seconds} s"
    if ! "$bin" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$dir/artifacts/$name-" "$work" "fuzz/$name/corpus" 2>"$dir/$name.log"; then
        tail -n 40 "$dir/$name.log"
        status=1
    else
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$dir/$name.log" || true
    fi
done
exit $status
