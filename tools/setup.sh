#!/usr/bin/env bash
# Installs what building and testing Foldcraft needs on Debian 12. Idempotent:
# only missing packages are installed. Run as root, or with sudo available.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build ccache clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev qt6-base-dev libssl-dev
    python3-pyftpdlib python3-openssl lftp vsftpd openssl libssh-dev openssh-server
    libcurl4-openssl-dev
    chromium chromium-driver python3-selenium cmark
    imagemagick python3-pil fonts-dejavu-core
    qt6-svg-dev libx11-dev xvfb xauth dbus-daemon dbus-bin at-spi2-core python3-pyatspi xdotool
    desktop-file-utils appstream shared-mime-info
    qtkeychain-qt6-dev gnome-keyring libsecret-tools
)

# npm's s3rver (an S3-compatible server for the tests), at the version pinned in
# tests/s3/package.json, into build/node; Node itself is expected on the machine.
install_test_servers() {
    local root dest
    root="$(cd "$(dirname "$0")/.." && pwd)"
    dest="$root/build/node"
    cmp -s "$root/tests/s3/package.json" "$dest/package.json" &&
        [ -x "$dest/node_modules/.bin/s3rver" ] && return 0
    if ! command -v npm >/dev/null; then
        echo "setup: npm is missing: the S3 tests will say they were skipped" >&2
        return 0
    fi
    echo "setup: installing s3rver into build/node"
    mkdir -p "$dest"
    cp "$root/tests/s3/package.json" "$dest/package.json"
    if ! (cd "$dest" && npm install --no-audit --no-fund --loglevel=error >"$dest/npm.log" 2>&1); then
        tail -n 20 "$dest/npm.log" >&2
        echo "setup: npm install failed; the whole output is in $dest/npm.log" >&2
        rm -f "$dest/package.json"
        exit 1
    fi
}
install_test_servers

# One query for all of them, so that a machine that has everything is done at once.
declare -A installed=()
while read -r status name; do
    [ "$status" = installed ] && installed[$name]=1
done < <(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# apt and dpkg talk a lot ("Reading database ... 5%"): one line per step here, and
# their output in a log that is shown only when a step fails.
SUDO=()
[ "$(id -u)" -ne 0 ] && SUDO=(sudo)
log=$(mktemp "${TMPDIR:-/tmp}/foldcraft-setup-XXXXXX.log")
step() {  # MESSAGE COMMAND...
    echo "setup: $1"
    shift
    if ! "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive "$@" >>"$log" 2>&1 </dev/null; then
        tail -n 40 "$log" >&2
        echo "setup: failed; the whole output is in $log" >&2
        exit 1
    fi
}
step "updating the package lists" apt-get update -q
step "installing ${missing[*]}" \
    apt-get install -y -q --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}"
rm -f "$log"
echo "setup: done"
