#!/usr/bin/env bash
# Screenshots of the desktop program on the bundled example: builds foldcraft and
# foldcraft-cli into build/release, makes the example project, starts the program
# on a virtual display and saves each tab and dialog under docs/screenshots/.
#
#   tools/screenshots.sh [OUTPUT_DIR]     (default: docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh >&2

JOBS=${JOBS:-$(nproc)}
tools/configure.sh  # the same build as tools/run-tests.sh
cmake --build build/release -j "$JOBS" --target foldcraft foldcraft-cli >&2

out="${1:-docs/screenshots}"
export FOLDCRAFT_CLI="$PWD/build/release/src/foldcraft-cli"
export FOLDCRAFT_APP="$PWD/build/release/src/foldcraft"
project="$(examples/make-example.sh build/screenshots)"
/usr/bin/python3 tools/screenshots.py "$project" "$out"
