#!/usr/bin/env bash
# Configures build/release the one way every script here builds it: GCC, Release, a
# distribution packager's hardening flags, warnings as errors, ccache when present.
# tools/run-example.sh, tools/run-tests.sh and tools/screenshots.sh all use it, so
# that one build serves them all and none rebuilds what another built.
#
#   tools/configure.sh
set -euo pipefail
cd "$(dirname "$0")/.."

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=gcc CXX=g++ cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
    -DFOLDCRAFT_WERROR=ON "${launcher[@]}" >/dev/null
