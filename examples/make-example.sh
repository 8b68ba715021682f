#!/usr/bin/env bash
# Builds the example project from the documents shipped in examples/documents.
#
#   examples/make-example.sh OUTPUT_DIR
#
# Writes OUTPUT_DIR/example.fcd and prints its path. Project files hold absolute
# document paths, so the project is made here, on the machine that uses it, and
# never committed. The command-line tool is $FOLDCRAFT_CLI, else the one built in
# build/release.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
cli="${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}"

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTPUT_DIR" >&2
    exit 64
fi
if [ ! -x "$cli" ]; then
    echo "Error: $cli not found: build first (tools/run-example.sh does)" >&2
    exit 2
fi

out="$1"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
project="$out/example.fcd"

# Step 1: the site tree, one folder per directory and one document per file.
"$cli" import "$here/documents" -o "$project" >/dev/null

# Step 2: the design, web and mail links, a button style per folder and a hotspot
# folder, made through the project's JSON form: info, change, from-json.
"$cli" info "$project" | /usr/bin/python3 "$here/customize-example.py" >"$out/example.json"
"$cli" from-json "$out/example.json" -o "$project" >/dev/null

echo "$project"
