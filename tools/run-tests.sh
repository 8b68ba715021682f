#!/usr/bin/env bash
# Builds Foldcraft and runs the whole test suite: the normal build, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build, then a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

JOBS=${JOBS:-$(nproc)}
export TZ=UTC

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$JOBS"
ctest --test-dir build/release --output-on-failure -j "$JOBS"

if [ "${FOLDCRAFT_SKIP_SANITIZE:-0}" != 1 ]; then
    CC=clang CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DFOLDCRAFT_SANITIZE=ON -DFOLDCRAFT_BENCH=OFF -DFOLDCRAFT_FUZZ=ON >/dev/null
    cmake --build build/asan -j "$JOBS"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build/asan --output-on-failure -j "$JOBS"
    if [ -x tools/run-fuzz.sh ]; then tools/run-fuzz.sh build/asan "${FUZZ_SECONDS:-60}"; fi
fi
