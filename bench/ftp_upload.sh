#!/usr/bin/env bash
# Upload benchmark: 1,000 files of 4 KiB to a local FTP server (pyftpdlib on
# 127.0.0.1), with Foldcraft's FTP client (bench_ftp_upload, active mode, one
# control connection) against lftp ("mirror -R", active mode, one connection), in
# alternating rounds on the same server. Prints the median of each and the ratio
# (ours / lftp; the aim is 1.2 or less) over $REPEAT rounds (default 3).
#
#   bench/ftp_upload.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
#
# The client is bench/bench_ftp_upload of the same build as CLI; CLI itself, when
# built, adds the time of a whole ftp-publish of the same files. Needs
# /usr/bin/python3 with pyftpdlib and lftp.
set -euo pipefail

source_dir="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$source_dir/build/release/src/foldcraft-cli}}"
rounds="${REPEAT:-3}"
files=1000
client="$(dirname "$(dirname "$cli")")/bench/bench_ftp_upload"

[ -x "$client" ] || { echo "Error: $client not found (build the bench_ftp_upload target)" >&2; exit 2; }
command -v lftp >/dev/null || { echo "lftp is not installed" >&2; exit 2; }
/usr/bin/python3 -c "import pyftpdlib" 2>/dev/null || { echo "pyftpdlib is missing" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-ftpbench-XXXXXX")
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/src" "$work/root"
/usr/bin/python3 - "$work/src" "$files" <<'EOF'
import os, sys
d, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    with open(os.path.join(d, "file%04d.bin" % i), "wb") as f:
        f.write(os.urandom(4096))
EOF

export FTP_BENCH_PW=bench-pw
# The server's stdin is a pipe that stays open while this script runs.
exec 3> >(/usr/bin/python3 "$source_dir/tests/support/ftp_test_server.py" --root "$work/root" \
    --user bench --password "$FTP_BENCH_PW" --port-file "$work/port" 2>"$work/server.log"; true)
server_pid=$!
for _ in $(seq 1 750); do
    [ -s "$work/port" ] && break
    sleep 0.02
done
[ -s "$work/port" ] || { echo "the FTP server did not start" >&2; cat "$work/server.log" >&2; exit 2; }
port=$(cat "$work/port")

ours=()
theirs=()
now() { date +%s.%N; }
for round in $(seq 1 "$rounds"); do
    t=$("$client" 127.0.0.1 "$port" bench FTP_BENCH_PW "$work/src" "ours$round")
    ours+=("$t")

    start=$(now)
    lftp -u "bench,$FTP_BENCH_PW" -p "$port" \
        -e "set ftp:passive-mode off; set net:max-retries 1; set net:timeout 30; \
            mirror -R --parallel=1 --no-perms $work/src lftp$round; quit" \
        127.0.0.1 >/dev/null
    end=$(now)
    theirs+=("$(echo "$end - $start" | bc -l)")
done

# Both must have uploaded every file, byte for byte.
for round in $(seq 1 "$rounds"); do
    diff -r "$work/src" "$work/root/ours$round" >/dev/null || { echo "our upload differs" >&2; exit 1; }
    diff -r "$work/src" "$work/root/lftp$round" >/dev/null || { echo "lftp upload differs" >&2; exit 1; }
done

# For information: the whole ftp-publish of a project holding the same files (pages,
# support images and directories included), when the command-line tool is built.
publish_time=
if [ -x "$cli" ]; then
    export FOLDCRAFT_HOME="$work/home"
    "$cli" import "$work/src" -o "$work/bench.fcd" >/dev/null 2>&1
    sleep 1.1  # imported items become active once their publish second has passed
    mkdir -p "$work/root/site"
    printf '[FTPServer]\nHostName=127.0.0.1\nPort=%s\nUser=bench\nStartDir=site\n' "$port" \
        >"$work/settings.ini"
    start=$(now)
    "$cli" ftp-publish "$work/bench.fcd" --settings "$work/settings.ini" \
        --password-env FTP_BENCH_PW --quiet
    end=$(now)
    publish_time=$(echo "$end - $start" | bc -l)
fi

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
m_ours=$(median "${ours[@]}")
m_lftp=$(median "${theirs[@]}")
printf 'files: %d x 4 KiB, rounds: %d\n' "$files" "$rounds"
printf 'foldcraft (active, one connection): %s s  (rounds: %s)\n' "$m_ours" "${ours[*]}"
printf 'lftp mirror -R (active, one conn.):  %.3f s  (rounds: %s)\n' "$m_lftp" "${theirs[*]}"
printf 'ratio foldcraft/lftp: %.2f\n' "$(echo "$m_ours / $m_lftp" | bc -l)"
if [ -n "$publish_time" ]; then
    printf 'foldcraft-cli ftp-publish of the same %d documents: %.3f s\n' "$files" "$publish_time"
fi
