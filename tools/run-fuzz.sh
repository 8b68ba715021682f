#!/usr/bin/env bash
# Runs every libFuzzer target of a sanitizer build for a bounded time.
#   tools/run-fuzz.sh <asan-build-dir> <seconds per target>
# The build must be configured with clang and -DFOLDCRAFT_FUZZ=ON. Each target
# starts from its seed corpus in fuzz/corpus/<name>/ (left unchanged) and keeps
# what it learns in <build-dir>/fuzz-work/<name>/. Exits non-zero only when a
# target finds a crash, a leak, a timeout or an out-of-memory input; the input
# is then in <build-dir>/fuzz-findings/.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <asan-build-dir> <seconds>" >&2
    exit 64
fi
build=$(cd "$1" && pwd) || exit 64
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

status=0
found=0
for seeds in "$source_dir"/fuzz/corpus/*/; do
    name=$(basename "$seeds")
    binary="$build/fuzz/fuzz_$name"
    if [ ! -x "$binary" ]; then
        echo "run-fuzz: $binary is not built (configure with clang and -DFOLDCRAFT_FUZZ=ON); skipped" >&2
        continue
    fi
    found=1
    work="$build/fuzz-work/$name"
    findings="$build/fuzz-findings/$name"
    mkdir -p "$work" "$findings"
    echo "run-fuzz: $name for ${seconds}s"
    log="$build/fuzz-work/$name.log"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
        "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1
    rc=$?
    if [ $rc -ne 0 ]; then
        echo "run-fuzz: $name FOUND A PROBLEM (exit $rc); input saved in $findings/" >&2
        tail -n 60 "$log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed "s/^/run-fuzz: $name /"
    fi
done
if [ $found -eq 0 ]; then
    echo "run-fuzz: no fuzz targets built in $build; nothing run" >&2
fi
exit $status
