#!/usr/bin/env bash
# Builds Foldcraft and runs the whole test suite: the Release build with a
# distribution packager's hardening flags (GCC), then the AddressSanitizer +
# UndefinedBehaviorSanitizer build (clang), then a bounded fuzz run: every fuzz
# target in turn, FUZZ_SECONDS (60) in all. Both builds treat warnings as errors.
# First of all, tools/check-layers.sh checks that every include runs downwards, and
# every planted fault of tools/mutants.py must still find its text.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/check-layers.sh
/usr/bin/python3 tools/mutants.py --check

JOBS=${JOBS:-$(nproc)}
export TZ=UTC

LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
tools/configure.sh
cmake --build build/release -j "$JOBS"
ctest --test-dir build/release --output-on-failure -j "$JOBS"

if [ "${FOLDCRAFT_SKIP_SANITIZE:-0}" != 1 ]; then
    CC=clang CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DFOLDCRAFT_SANITIZE=ON -DFOLDCRAFT_BENCH=OFF -DFOLDCRAFT_FUZZ=ON \
        -DFOLDCRAFT_WERROR=ON "${LAUNCHER[@]}" >/dev/null
    cmake --build build/asan -j "$JOBS"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build/asan --output-on-failure -j "$JOBS"
    # The seconds are the whole fuzz run's, shared by the targets.
    if [ -x tools/run-fuzz.sh ]; then tools/run-fuzz.sh build/asan "${FUZZ_SECONDS:-60}"; fi
fi
