#!/usr/bin/env bash
# S3 publishing with one connection against eight: the benchmarks' site
# (bench/make_site.py's 868 documents in 117 folders, which "foldcraft-cli
# s3-publish" sends as 1,131 objects) into an empty prefix of a bucket of npm's
# s3rver (installed into build/node by tools/setup.sh), started here on 127.0.0.1.
# Runs alternate; the best of $REPEAT (default 3) of each is kept, and the ratio
# of eight connections to one is printed (aim: well below 1).
#
#   bench/s3_upload.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
s3rver="$repo/build/node/node_modules/.bin/s3rver"
repeat="${REPEAT:-3}"
[ -x "$cli" ] || { echo "Error: $cli not found: build first" >&2; exit 2; }
[ -x "$s3rver" ] || { echo "Error: $s3rver not found: run tools/setup.sh" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-s3bench-XXXXXX")"
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export FOLDCRAFT_HOME="$work/home" AWS_ACCESS_KEY_ID=S3RVER AWS_SECRET_ACCESS_KEY=S3RVER

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

/usr/bin/python3 "$repo/bench/make_site.py" "$work/documents" 868
"$cli" import "$work/documents" -o "$work/site.fcd" >/dev/null
"$cli" publish "$work/site.fcd" --to "$work/local" --yes --quiet
expected=$(cd "$work/local" && find . -type f ! -name '.foldcraft-*' | wc -l)

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/data"
"$s3rver" -d "$work/data" -a 127.0.0.1 -p "$port" --configure-bucket site --silent \
    >"$work/s3rver.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 500); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.02
done

run=0
timed() {  # CONNECTIONS: one full upload into a new prefix; sets $took
    local t0 rc=0
    run=$((run + 1))
    t0=$(now)
    timeout -k 5 600 "$cli" s3-publish "$work/site.fcd" --settings "$work/settings.ini" \
        --endpoint "http://127.0.0.1:$port" --bucket site --prefix "run$run/" \
        --connections "$1" --quiet >"$work/run.log" 2>&1 || rc=$?
    took=$(elapsed "$t0" "$(now)")
    [ "$rc" -eq 0 ] || { echo "Error: exit status $rc" >&2; tail -n 20 "$work/run.log" >&2; exit 1; }
    local stored
    stored=$(cd "$work/data/site/run$run" && find . -name '*._S3rver_object' ! -name '.foldcraft-*' | wc -l)
    [ "$stored" -eq "$expected" ] ||
        { echo "Error: run$run holds $stored objects, the site $expected" >&2; exit 1; }
}

one=() eight=()
for _ in $(seq 1 "$repeat"); do
    timed 1
    one+=("$took")
    timed 8
    eight+=("$took")
done
echo "S3, full upload of $expected objects to s3rver on loopback:"
printf '   --connections 1: %.3f s (best of %d)\n' "$(best "${one[@]}")" "$repeat"
printf '   --connections 8: %.3f s (best of %d)\n' "$(best "${eight[@]}")" "$repeat"
awk -v a="$(best "${eight[@]}")" -v b="$(best "${one[@]}")" \
    'BEGIN { printf "   ratio 8 / 1:     %.2f\n", a / b }'
