#!/usr/bin/env bash
# FTP re-publish against the full upload, in one script: a site of 1,000 documents
# of 4 KiB published to a local FTP server (pyftpdlib on 127.0.0.1) with
# "foldcraft-cli ftp-publish --all" (every file sent), then again unchanged without
# --all (only the manifest goes, the rest is skipped). Prints the best of $REPEAT
# runs (default 3) of each and their ratio (aim: 0.05 or less).
#
#   bench/ftp_republish.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
repeat="${REPEAT:-3}"
files=1000
[ -x "$cli" ] || { echo "Error: $cli not found: build first" >&2; exit 2; }
/usr/bin/python3 -c "import pyftpdlib" 2>/dev/null || { echo "pyftpdlib is missing" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-ftprepub-XXXXXX")"
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export FOLDCRAFT_HOME="$work/home"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

mkdir -p "$work/src" "$work/root/site"
/usr/bin/python3 - "$work/src" "$files" <<'PY'
import os, sys
d, n = sys.argv[1], int(sys.argv[2])
for f in range(10):
    os.makedirs(os.path.join(d, "folder%d" % f), exist_ok=True)
for i in range(n):
    with open(os.path.join(d, "folder%d" % (i % 10), "doc%04d.txt" % i), "wb") as out:
        out.write(os.urandom(4096))
PY
"$cli" import "$work/src" -o "$work/site.fcd" >/dev/null
sleep 1.1  # imported items become active once their publish second has passed

export FTP_BENCH_PW=bench-pw
# The server's stdin is a pipe that stays open while this script runs.
exec 3> >(/usr/bin/python3 "$repo/tests/support/ftp_test_server.py" --root "$work/root" \
    --user bench --password "$FTP_BENCH_PW" --port-file "$work/port" 2>"$work/server.log"; true)
server_pid=$!
for _ in $(seq 1 750); do
    [ -s "$work/port" ] && break
    sleep 0.02
done
[ -s "$work/port" ] || { echo "the FTP server did not start" >&2; cat "$work/server.log" >&2; exit 2; }
printf '[FTPServer]\nHostName=127.0.0.1\nPort=%s\nUser=bench\nStartDir=site\nPassive=1\n' \
    "$(cat "$work/port")" >"$work/settings.ini"

publish() {
    "$cli" ftp-publish "$work/site.fcd" --settings "$work/settings.ini" \
        --password-env FTP_BENCH_PW "$@" >"$work/last.log"
}

full_times=()
again_times=()
for _ in $(seq "$repeat"); do
    t0=$(now)
    publish --all
    t1=$(now)
    publish
    t2=$(now)
    full_times+=("$(elapsed "$t0" "$t1")")
    again_times+=("$(elapsed "$t1" "$t2")")
    grep -q "^Skipped " "$work/last.log" || { echo "Error: nothing was skipped" >&2; exit 1; }
done
count=$(find "$work/root/site/files" -type f | wc -l)
[ "$count" -eq "$files" ] || { echo "Error: $count documents on the server, not $files" >&2; exit 1; }

b_full=$(best "${full_times[@]}")
b_again=$(best "${again_times[@]}")
printf 'ftp-publish --all of %d x 4 KiB (passive):  %.3f s\n' "$files" "$b_full"
printf 'ftp-publish again, unchanged:              %.3f s (%s)\n' "$b_again" \
    "$(grep '^Skipped ' "$work/last.log")"
printf 'ratio re-publish / full upload:            %.3f (aim <= 0.05)\n' \
    "$(awk -v a="$b_again" -v b="$b_full" 'BEGIN { printf "%.6f", a / b }')"
