#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time and prints, per
# target, the executions, the coverage reached and whether it crashed.
#
#   scripts/fuzz.sh BUILD_DIR SECONDS [TARGET...]
#
# Each target fuzz_<name> starts from its checked-in seeds (tests/fuzz/corpus/<name>)
# and the corpus it grew in earlier runs (BUILD_DIR/corpus/<name>, where new
# inputs are kept); tests/fuzz/<name>.dict and <name>.options (libFuzzer flags,
# one line) are used when present. Crash inputs go to BUILD_DIR/artifacts/.
# Exit status 1 when any target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?build directory}
seconds=${2:?seconds per target}
shift 2
src=tests/fuzz
mkdir -p "$build/corpus" "$build/artifacts" "$build/logs"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for bin in "$build"/tests/fuzz/fuzz_*; do
        [ -x "$bin" ] && targets+=("$(basename "$bin" | sed 's/^fuzz_//')")
    done
fi

failed=0
printf '%-14s %10s %8s %8s %8s  %s\n' target executions cov ft corpus result
for name in "${targets[@]}"; do
    bin="$build/tests/fuzz/fuzz_$name"
    corpus="$build/corpus/$name"
    log="$build/logs/$name.log"
    mkdir -p "$corpus"
    args=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1
          -artifact_prefix="$build/artifacts/$name-")
    [ -f "$src/$name.dict" ] && args+=(-dict="$src/$name.dict")
    [ -f "$src/$name.options" ] && read -r -a extra < "$src/$name.options" && args+=("${extra[@]}")
    seeds=()
    [ -d "$src/corpus/$name" ] && seeds=("$src/corpus/$name")
    result=ok
    if ! "$bin" "${args[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        result="FAULT (see $log)"
        failed=1
    fi
    # A target that fails on its first inputs prints no coverage: "?" then.
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
    size=$(find "$corpus" -type f | wc -l)
    printf '%-14s %10s %8s %8s %8s  %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$size" "$result"
    if [ "$result" != ok ]; then
        grep -m1 -A12 -E '^==[0-9]+==ERROR|runtime error|fuzz finding|deadly signal|timeout' "$log" | sed 's/^/    /' || true
    fi
done
exit $failed
