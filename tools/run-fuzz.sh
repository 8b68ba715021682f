#!/usr/bin/env bash
# Runs every libFuzzer target of a sanitizer build within a bounded total time.
#   tools/run-fuzz.sh <asan-build-dir> <total seconds>
# The build must be configured with clang and -DFOLDCRAFT_FUZZ=ON. Every target
# built (<build-dir>/fuzz/fuzz_<name>) runs in turn for an equal share of the total
# (at least one second each): 60 s over four targets gives each 15 s. A target
# starts from its seed corpus in fuzz/corpus/<name>/ when there is one (left
# unchanged) and keeps what it learns in <build-dir>/fuzz-work/<name>/. Exits
# non-zero only when a target finds a crash, a leak, a timeout or an out-of-memory
# input; the input is then in <build-dir>/fuzz-findings/<name>/.
set -uo pipefail

if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 <asan-build-dir> <total seconds>" >&2
    exit 64
fi
build=$(cd "$1" && pwd) || exit 64
total=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

binaries=()
for binary in "$build"/fuzz/fuzz_*; do
    [ -f "$binary" ] && [ -x "$binary" ] && binaries+=("$binary")
done
if [ ${#binaries[@]} -eq 0 ]; then
    echo "run-fuzz: no fuzz targets built in $build (configure with clang and -DFOLDCRAFT_FUZZ=ON); nothing run" >&2
    exit 0
fi
seconds=$((total / ${#binaries[@]}))
[ "$seconds" -ge 1 ] || seconds=1

status=0
for binary in "${binaries[@]}"; do
    name=$(basename "$binary")
    name=${name#fuzz_}
    seeds=()
    [ -d "$source_dir/fuzz/corpus/$name" ] && seeds=("$source_dir/fuzz/corpus/$name")
    work="$build/fuzz-work/$name"
    findings="$build/fuzz-findings/$name"
    mkdir -p "$work" "$findings"
    if [ ${#seeds[@]} -eq 0 ]; then
        echo "run-fuzz: $name for ${seconds}s (no seed corpus)"
    else
        echo "run-fuzz: $name for ${seconds}s"
    fi
    log="$build/fuzz-work/$name.log"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
        "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    if [ $rc -ne 0 ]; then
        echo "run-fuzz: $name FOUND A PROBLEM (exit $rc); input saved in $findings/" >&2
        tail -n 60 "$log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed "s/^/run-fuzz: $name /"
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 | sed "s/^/run-fuzz: $name /"
    fi
done
exit $status
