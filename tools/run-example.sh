#!/usr/bin/env bash
# The main job on the bundled example, from a fresh clone of the repository:
# installs what is missing (Debian 12, apt-get), builds the command-line tool and
# the desktop program into build/release, makes the example project from
# examples/documents, prints it as JSON, publishes it into OUTPUT_DIR/site, checks
# the site's links and, where a display is present ($DISPLAY or $WAYLAND_DISPLAY),
# opens the example project in the desktop program.
#
#   tools/run-example.sh [OUTPUT_DIR]     (default: build/example)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh >&2

JOBS=${JOBS:-$(nproc)}
tools/configure.sh  # the same build as tools/run-tests.sh
cmake --build build/release -j "$JOBS" --target foldcraft-cli foldcraft >&2

out="${1:-build/example}"
export FOLDCRAFT_CLI="$PWD/build/release/src/foldcraft-cli"
project="$(examples/make-example.sh "$out")"
echo "Example project: $project" >&2
"$FOLDCRAFT_CLI" info "$project"

"$FOLDCRAFT_CLI" publish "$project" --to "$out/site" --yes
"$FOLDCRAFT_CLI" check "$out/site"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening $project in foldcraft" >&2
    setsid "$PWD/build/release/src/foldcraft" "$project" >/dev/null 2>&1 < /dev/null &
fi
