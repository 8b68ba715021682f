#!/usr/bin/env bash
# Start-up of the desktop program against its baseline, in one script: the time
# from exec until the main window is shown on a small project ("foldcraft
# --quit-after-start", no splash) against "foldcraft-cli info" of the same project,
# both on one virtual display started beforehand. Prints the best of $REPEAT runs
# (default 5) of each and their ratio. Aim: the window in under 0.5 s.
#
#   bench/startup.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
#
# The desktop program is $FOLDCRAFT_APP, else the foldcraft beside CLI.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
app="${FOLDCRAFT_APP:-$(dirname "$cli")/foldcraft}"
for program in "$app" "$cli"; do
    [ -x "$program" ] || { echo "Error: $program not found: build first" >&2; exit 2; }
done

if [ -z "${FOLDCRAFT_BENCH_DISPLAY:-}" ]; then
    exec env FOLDCRAFT_BENCH_DISPLAY=1 xvfb-run -a -n $((RANDOM % 20000 + 100)) \
        -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export FOLDCRAFT_HOME="$work/home" FOLDCRAFT_SETTINGS="$work/settings.ini"
"$cli" import "$repo/examples/documents" -o "$work/small.fcd" >/dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

app_times=()
cli_times=()
# One unmeasured start of each fills the file cache.
"$app" --no-splash --quit-after-start "$work/small.fcd"
"$cli" info "$work/small.fcd" >/dev/null
for _ in $(seq "${REPEAT:-5}"); do
    t0=$(now)
    "$app" --no-splash --quit-after-start "$work/small.fcd"
    t1=$(now)
    "$cli" info "$work/small.fcd" >/dev/null
    t2=$(now)
    app_times+=("$(elapsed "$t0" "$t1")")
    cli_times+=("$(elapsed "$t1" "$t2")")
done

app_best="$(best "${app_times[@]}")"
cli_best="$(best "${cli_times[@]}")"
awk -v a="$app_best" -v c="$cli_best" 'BEGIN {
    printf "foldcraft window shown:  %.3f s\n", a
    printf "foldcraft-cli info:      %.3f s\n", c
    printf "ratio:                   %.1fx\n", a / c
    printf "aim (window < 0.5 s):    %s\n", a < 0.5 ? "met" : "NOT met"
}'
