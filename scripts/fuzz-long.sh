#!/usr/bin/env bash
# Runs the fuzz targets for longer than the test command does, one after the other, and prints
# per target the inputs tried, the runs per second and libFuzzer's figures at the end of the
# run: cov (code edges reached), ft (features: edges with their hit counts) and the corpus kept.
#
#   scripts/fuzz-long.sh [SECONDS] [TARGET...]
#
#   SECONDS   how long each target runs (300)
#   TARGET    catalogue, tool_record, ... (a folder of tests/fuzz/corpus/); all when none
#
# Builds the fuzz preset first (VELNORA_JOBS jobs, 2). What a run adds to a target's corpus
# stays in build/fuzz/long/<target>/corpus, so the next run goes on from there; the seed
# corpus in the tree is only read. An input that breaks a target is saved beside that corpus
# and named in the summary. Exits non-zero when any target broke.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
seconds=${1:-300}
shift $(($# > 0 ? 1 : 0))
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: scripts/fuzz-long.sh [SECONDS] [TARGET...]" >&2
    exit 2
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for folder in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$folder")")
    done
fi

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "${VELNORA_JOBS:-2}" >/dev/null || exit 1

# The figure after "name:" in a libFuzzer status line.
figure() {
    sed -nE "s/.* $1: ?([0-9]+).*/\1/p" <<<"$2"
}

summary=()
broken=0
for target in "${targets[@]}"; do
    program=$root/build/fuzz/tests/fuzz/fuzz_$target
    seeds=$root/tests/fuzz/corpus/$target
    if [ ! -x "$program" ] || [ ! -d "$seeds" ]; then
        echo "no fuzz target $target" >&2
        broken=1
        continue
    fi
    work=$root/build/fuzz/long/$target
    mkdir -p "$work/corpus"
    log=$work/last-run.log
    echo "=== $target: ${seconds}s (log: $log)"
    generated=$root/build/fuzz/tests/fuzz/generated/$target
    [ -d "$generated" ] || generated=
    "$program" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work/corpus" "$seeds" ${generated:+"$generated"} >"$log" 2>&1
    status=$?

    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log")
    rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+)/\1/p' "$log")
    corpus=$(sed -nE 's/.* corp: ([0-9]+\/[0-9]+[a-zA-Z]*).*/\1/p' <<<"$last")
    result=ok
    if [ "$status" -ne 0 ]; then
        broken=1
        result="BROKEN: $(grep -m1 -E 'invariant broken|ERROR:' "$log")"
        result+=" -> $(sed -nE 's/.*Test unit written to (.*)/\1/p' "$log" | tail -1)"
    fi
    # A target that breaks on its seeds has no status line yet.
    cov=$(figure cov "$last")
    ft=$(figure ft "$last")
    summary+=("$(printf '%-20s %10s %8s %7s %7s %12s  %s' "$target" "${runs:--}" "${rate:--}" \
        "${cov:--}" "${ft:--}" "${corpus:--}" "$result")")
done

echo
printf '%-20s %10s %8s %7s %7s %12s  %s\n' target runs runs/s cov ft corpus result
printf '%s\n' "${summary[@]}"
exit "$broken"
