#!/usr/bin/env bash
# The main job on the bundled example, from a fresh clone of the repository:
# installs what is missing (Debian 12, apt-get), builds the command-line tool
# into build/release, makes the example project from examples/documents, prints
# it as JSON, publishes it into OUTPUT_DIR/site and checks the site's links.
#
#   tools/run-example.sh [OUTPUT_DIR]     (default: build/example)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh >&2

JOBS=${JOBS:-$(nproc)}
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$JOBS" --target foldcraft-cli >&2

out="${1:-build/example}"
export FOLDCRAFT_CLI="$PWD/build/release/src/foldcraft-cli"
project="$(examples/make-example.sh "$out")"
echo "Example project: $project" >&2
"$FOLDCRAFT_CLI" info "$project"

"$FOLDCRAFT_CLI" publish "$project" --to "$out/site" --yes
"$FOLDCRAFT_CLI" check "$out/site"
