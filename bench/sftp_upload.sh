#!/usr/bin/env bash
# SFTP publishing against lftp, on loopback and through bench/delay_relay.py, which
# holds every chunk back $DELAY_MS (default 25) each way (a host some 50 ms away). The server is Debian's OpenSSH sshd,
# started here on 127.0.0.1 with a host key and configuration of its own (internal
# SFTP; the account foldcraft-sftp-test, made when missing, with a password set for
# this run), so the script must run as root. The site is bench/make_site.py's 868
# documents in 117 folders, which "foldcraft-cli sftp-publish" sends as 1,131 files;
# lftp uploads the same site, published locally first ("mirror -R -P 8"). Full
# uploads into an empty directory alternate between the two; the best of $REPEAT
# (default 3) of each is kept. Aim: 1.0x or less, both ways.
#
#   bench/sftp_upload.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
repeat="${REPEAT:-3}"
delay_ms="${DELAY_MS:-25}"
user=foldcraft-sftp-test
[ -x "$cli" ] || { echo "Error: $cli not found: build first" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "Error: sshd needs root here (a test account and its password)" >&2; exit 2; }
for tool in /usr/sbin/sshd ssh-keygen lftp; do
    command -v "$tool" >/dev/null || { echo "Error: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-sftpbench-XXXXXX")"
sshd_pid=
cleanup() {
    [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null && wait "$sshd_pid" 2>/dev/null
    [ -n "${relay_fd:-}" ] && exec {relay_fd}>&-
    rm -rf "$work"
}
trap cleanup EXIT
export FOLDCRAFT_HOME="$work/home"
export SFTP_BENCH_PW="bench-$RANDOM$RANDOM"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

# --- the site ---------------------------------------------------------------------
/usr/bin/python3 "$repo/bench/make_site.py" "$work/documents" 868
"$cli" import "$work/documents" -o "$work/site.fcd" >/dev/null
"$cli" publish "$work/site.fcd" --to "$work/local" --yes --quiet
listing() { (cd "$1" && find . -type f ! -name '.foldcraft-manifest' | sort); }
listing "$work/local" >"$work/local.list"

# --- the server -------------------------------------------------------------------
getent passwd "$user" >/dev/null ||
    useradd --system --no-create-home --home-dir / --shell /usr/sbin/nologin "$user"
echo "$user:$SFTP_BENCH_PW" | chpasswd
mkdir -p /run/sshd "$work/root"
chown "$user" "$work/root"
chmod 755 "$work"
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
fingerprint=$(ssh-keygen -l -f "$work/host_key.pub" | cut -d' ' -f2)
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $work/host_key
PidFile none
UsePAM no
StrictModes no
PasswordAuthentication yes
KbdInteractiveAuthentication no
PermitRootLogin no
AllowUsers $user
Subsystem sftp internal-sftp
MaxStartups 50
MaxSessions 50
UseDNS no
EOF
/usr/sbin/sshd -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
sshd_pid=$!
for _ in $(seq 1 500); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.02
done

# --- the runs -----------------------------------------------------------------------
timed() {  # LOG PROGRAM ARGS...: sets $took; a failed run stops the script
    local log=$1 t0 rc=0
    shift
    t0=$(now)
    timeout -k 5 300 "$@" >"$log" 2>&1 || rc=$?
    took=$(elapsed "$t0" "$(now)")
    [ "$rc" -eq 0 ] || { echo "Error: exit status $rc: $*" >&2; tail -n 20 "$log" >&2; exit 1; }
}
check() {  # DIR: the server holds the published site
    listing "$work/root/$1" | cmp -s - "$work/local.list" ||
        { echo "Error: $1 on the server does not hold the published site" >&2; exit 1; }
}
series() {  # PORT LABEL: full uploads alternating, then the best of each and the ratio
    local port=$1 ours=() theirs=() i
    for i in $(seq 1 "$repeat"); do
        rm -rf "$work/root/fc" "$work/root/lftp"
        mkdir -p "$work/root/fc" && chown "$user" "$work/root/fc"
        timed "$work/fc.log" "$cli" sftp-publish "$work/site.fcd" --host 127.0.0.1 --port "$port" \
            --user "$user" --password-env SFTP_BENCH_PW --no-agent --start-dir "$work/root/fc" \
            --trust-fingerprint "$fingerprint" --connections 8
        check fc
        ours+=("$took")
        timed "$work/lftp.log" lftp -e "set sftp:connect-program 'ssh -a -x -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'; \
            set cmd:fail-exit yes; open -u $user,$SFTP_BENCH_PW -p $port sftp://127.0.0.1; \
            mirror -R -P 8 --no-perms $work/local $work/root/lftp; quit"
        check lftp
        theirs+=("$took")
    done
    echo "SFTP, full upload of $(wc -l <"$work/local.list") files, $2:"
    printf '   foldcraft-cli sftp-publish --connections 8: %.3f s (best of %d)\n' "$(best "${ours[@]}")" "$repeat"
    printf '   lftp mirror -R -P 8:                        %.3f s (best of %d)\n' "$(best "${theirs[@]}")" "$repeat"
    awk -v a="$(best "${ours[@]}")" -v b="$(best "${theirs[@]}")" \
        'BEGIN { r = a / b; printf "   ratio foldcraft / lftp:                     %.2f (aim <= 1.00: %s)\n", r, r <= 1 ? "met" : "not met" }'
}

exec {relay_fd}> >(exec /usr/bin/python3 "$repo/bench/delay_relay.py" --to "$port" \
    --delay-ms "$delay_ms" --port-file "$work/relay-port" 2>"$work/relay.log")
for _ in $(seq 1 500); do
    [ -s "$work/relay-port" ] && break
    sleep 0.02
done
[ -s "$work/relay-port" ] || { echo "Error: the relay did not start" >&2; cat "$work/relay.log" >&2; exit 2; }
series "$port" "loopback"
series "$(cat "$work/relay-port")" "each way ${delay_ms} ms late"
