#!/usr/bin/env bash
# FTP publishing to a distant server against lftp, in one script. The server is
# pyftpdlib on 127.0.0.1 (bench/ftp_delay_server.py) that sends every reply and takes
# up every passive data connection $DELAY_MS later (default 25: a host some 50 ms
# away); the site is 868 documents of mixed sizes in 117 folders, which
# "foldcraft-cli ftp-publish" sends as 1,131 files (pages and images included).
# lftp uploads the same site, published locally first. Runs alternate between the
# two; the best of $REPEAT (default 3) of each is kept.
#
#   1. full upload into an empty directory: ftp-publish (passive, --connections 8
#      when the command has it) against "lftp mirror -R -P 8" (aim: 1.0x or less);
#   2. the same again, nothing changed (aim: 0.2x of lftp's unchanged run or less);
#   3. plain loopback (no delay): full upload against "lftp mirror -R" (aim: 1.0x).
#
#   bench/ftp_latency.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
#
# A run is stopped after $RUN_TIMEOUT seconds (default 300) and shown as "> N s";
# one that took longer than $SLOW seconds (default 60) is not repeated, so that the
# script ends within some ten minutes however slow a tool is.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
repeat="${REPEAT:-3}"
delay_ms="${DELAY_MS:-25}"
run_timeout="${RUN_TIMEOUT:-300}"
slow="${SLOW:-60}"
documents=868
folders=117
[ -x "$cli" ] || { echo "Error: $cli not found: build first" >&2; exit 2; }
command -v lftp >/dev/null || { echo "Error: lftp is not installed (tools/setup.sh)" >&2; exit 2; }
/usr/bin/python3 -c "import pyftpdlib" 2>/dev/null ||
    { echo "Error: pyftpdlib is missing (tools/setup.sh)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-ftplatency-XXXXXX")"
server_pids=()
cleanup() {
    for pid in "${server_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
export FOLDCRAFT_HOME="$work/home"
export FTP_BENCH_PW=bench-pw

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
slower() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# --- the site ---------------------------------------------------------------------
# Nine areas of twelve topics; documents of 300 B to 40 KiB (log-uniform) and seven of
# 256 KiB to 2 MiB, one in seven a picture (which gets a page of its own).
/usr/bin/python3 "$repo/bench/make_site.py" "$work/documents" "$documents"
"$cli" import "$work/documents" -o "$work/site.fcd" >"$work/import.log"
grep -q "^Imported $folders folders and $documents documents " "$work/import.log" ||
    { echo "Error: unexpected import" >&2; cat "$work/import.log" >&2; exit 1; }
# lftp's copy: the same site published into a local directory.
"$cli" publish "$work/site.fcd" --to "$work/local" --yes --quiet
listing() { (cd "$1" && find . -type f | sort); }
listing "$work/local" >"$work/local.list"
site_files=$(wc -l <"$work/local.list")
site_bytes=$(du -sb "$work/local" | cut -f1)
images=$(find "$work/local/images" -type f | wc -l)  # sent once, skipped when unchanged

# --- the servers --------------------------------------------------------------------
start_server() {  # NAME DELAY_MS: serves $work/root-NAME; sets $port
    local name=$1 fd
    mkdir -p "$work/root-$name"
    # The server's stdin is a pipe that stays open while this script runs.
    exec {fd}> >(exec /usr/bin/python3 "$repo/bench/ftp_delay_server.py" \
        --root "$work/root-$name" --user bench --password "$FTP_BENCH_PW" \
        --delay-ms "$2" --port-file "$work/port-$name" 2>"$work/server-$name.log")
    server_pids+=("$!")
    for _ in $(seq 1 750); do
        [ -s "$work/port-$name" ] && break
        sleep 0.02
    done
    [ -s "$work/port-$name" ] ||
        { echo "Error: the FTP server did not start" >&2; cat "$work/server-$name.log" >&2; exit 2; }
    port=$(cat "$work/port-$name")
}

# --- the runs -----------------------------------------------------------------------
connections=()
fc_label="foldcraft-cli ftp-publish (its default connections: no --connections option)"
if "$cli" ftp-publish --help | grep -q -- "--connections"; then
    connections=(--connections 8)
    fc_label="foldcraft-cli ftp-publish --connections 8"
fi
printf '[FTPServer]\nPassive=1\n' >"$work/settings.ini"

timed() {  # LOG PROGRAM ARGS...: runs within $run_timeout; sets $took and $rc
    local log=$1 t0
    shift
    t0=$(now)
    rc=0
    timeout -k 5 "$run_timeout" "$@" >"$log" 2>&1 || rc=$?
    took=$(elapsed "$t0" "$(now)")
}
fail() {  # MESSAGE LOG
    echo "Error: $1" >&2
    tail -n 20 "$2" >&2
    exit 1
}
foldcraft() {  # ROOT PORT DIR: ftp-publish into DIR (made here, empty or not)
    mkdir -p "$work/root-$1/$3"
    timed "$work/last.log" "$cli" ftp-publish "$work/site.fcd" --settings "$work/settings.ini" \
        --host 127.0.0.1 --port "$2" --user bench --password-env FTP_BENCH_PW --passive \
        --start-dir "$3" "${connections[@]}"
}
mirror() {  # PORT DIR MIRROR-OPTIONS...: lftp mirror -R of the local site into DIR
    local port=$1 dir=$2
    shift 2
    timed "$work/last.log" lftp -u "bench,$FTP_BENCH_PW" -p "$port" -e "\
        set ftp:passive-mode on; set ftp:ssl-allow no; set net:max-retries 2; \
        set net:reconnect-interval-base 1; set net:timeout 30; set cmd:fail-exit yes; \
        mirror -R --no-perms -v $* $work/local $dir; quit" 127.0.0.1
}
# A full upload must end well with every file on the server; a timed-out one is noted.
full_upload() {  # ROOT DIR TIMES-ARRAY
    local -n times=$3
    if [ "$rc" -eq 124 ]; then
        times+=(">$run_timeout")
        return
    fi
    [ "$rc" -eq 0 ] || fail "the upload to $2 ended with exit status $rc" "$work/last.log"
    listing "$work/root-$1/$2" | cmp -s - "$work/local.list" ||
        fail "$2 on the server does not hold the published site" "$work/last.log"
    times+=("$took")
}
again() {  # TIMES-ARRAY: an unchanged run must end well
    local -n times=$1
    [ "$rc" -eq 0 ] || fail "the unchanged run ended with exit status $rc" "$work/last.log"
    times+=("$took")
}
# Whether a series is repeated: not after a run that timed out or took over $slow s.
more() {  # TIMES...
    [ $# -eq 0 ] && return 0
    case "$1" in ">"*) return 1 ;; esac
    ! slower "$1" "$slow"
}
shown() {  # TIMES...: the best and the number of runs, or "> N s (timed out)"
    [ $# -gt 0 ] || { printf 'not measured'; return; }
    case "$1" in ">"*) printf '> %s s (timed out)' "${1#>}"; return ;; esac
    printf '%.3f s (best of %d)' "$(best "$@")" "$#"
}
ratio() {  # OURS-TIMES-ARRAY THEIRS-TIMES-ARRAY AIM
    local -n a=$1 b=$2
    local ours theirs
    [ ${#a[@]} -gt 0 ] && [ ${#b[@]} -gt 0 ] || { printf 'n/a'; return; }
    ours=$(best "${a[@]#>}")
    theirs=$(best "${b[@]#>}")
    awk -v a="$ours" -v b="$theirs" -v aim="$3" -v over="${a[0]:0:1}${b[0]:0:1}" 'BEGIN {
        r = a / b
        if (over == ">>") { printf "n/a (both timed out)"; exit }
        if (substr(over, 1, 1) == ">") printf "> %.2f (aim <= %.2f: not met)", r, aim
        else if (substr(over, 2, 1) == ">") printf "< %.2f (aim <= %.2f)", r, aim
        else printf "%.2f (aim <= %.2f: %s)", r, aim, r <= aim ? "met" : "not met"
    }'
}

start_server distant "$delay_ms"
distant_port=$port
fc_full=()
fc_again=()
fc_skipped=
lftp_full=()
lftp_again=()
fc_dir=
for round in $(seq "$repeat"); do
    if more "${fc_full[@]}"; then
        foldcraft distant "$distant_port" "fc$round"
        full_upload distant "fc$round" fc_full
        if [ "$rc" -eq 0 ]; then fc_dir="fc$round"; fi
    fi
    if [ -n "$fc_dir" ] && more "${fc_again[@]}"; then
        foldcraft distant "$distant_port" "$fc_dir"
        again fc_again
        fc_skipped=$(grep "^Skipped " "$work/last.log" || true)
        grep -q "^Skipped $((documents + images)) unchanged files\.$" "$work/last.log" ||
            fail "the unchanged ftp-publish did not skip every document and image" "$work/last.log"
    fi
    if more "${lftp_full[@]}"; then
        mirror "$distant_port" "lftp$round" -P 8
        full_upload distant "lftp$round" lftp_full
        if [ "$rc" -eq 0 ] && more "${lftp_again[@]}"; then
            mirror "$distant_port" "lftp$round" -P 8
            again lftp_again
            ! grep -q "^Transferring file" "$work/last.log" ||
                fail "lftp's unchanged run sent files again" "$work/last.log"
        fi
    fi
done

start_server loopback 0
loopback_port=$port
fc_loop=()
lftp_loop=()
for round in $(seq "$repeat"); do
    if more "${fc_loop[@]}"; then
        foldcraft loopback "$loopback_port" "fc$round"
        full_upload loopback "fc$round" fc_loop
    fi
    if more "${lftp_loop[@]}"; then
        mirror "$loopback_port" "lftp$round"
        full_upload loopback "lftp$round" lftp_loop
    fi
done

# --- the results --------------------------------------------------------------------
printf 'site: %d documents in %d folders; %d files, %.1f MB, uploaded by each run\n' \
    "$documents" "$folders" "$site_files" "$(awk -v b="$site_bytes" 'BEGIN { print b / 1e6 }')"
printf 'foldcraft: %s\n' "$fc_label"
printf '\n1. full upload, replies %s ms late:\n' "$delay_ms"
printf '   foldcraft-cli ftp-publish:  %s\n' "$(shown "${fc_full[@]}")"
printf '   lftp mirror -R -P 8:        %s\n' "$(shown "${lftp_full[@]}")"
printf '   ratio foldcraft / lftp:     %s\n' "$(ratio fc_full lftp_full 1.0)"
printf '2. again, nothing changed, replies %s ms late:\n' "$delay_ms"
if [ ${#fc_again[@]} -gt 0 ]; then
    printf '   foldcraft-cli ftp-publish:  %s (%s)\n' "$(shown "${fc_again[@]}")" "$fc_skipped"
    printf '   lftp mirror -R -P 8:        %s\n' "$(shown "${lftp_again[@]}")"
    printf '   ratio foldcraft / lftp:     %s\n' "$(ratio fc_again lftp_again 0.2)"
else
    printf '   not measured: no full upload by foldcraft-cli finished within %s s\n' "$run_timeout"
fi
printf '3. full upload, plain loopback:\n'
printf '   foldcraft-cli ftp-publish:  %s\n' "$(shown "${fc_loop[@]}")"
printf '   lftp mirror -R:             %s\n' "$(shown "${lftp_loop[@]}")"
printf '   ratio foldcraft / lftp:     %s\n' "$(ratio fc_loop lftp_loop 1.0)"
if ! more "${fc_full[@]}" || ! more "${lftp_full[@]}"; then
    printf '(a run slower than %s s is not repeated; one stopped at %s s is shown as "> N s")\n' \
        "$slow" "$run_timeout"
fi
