#!/usr/bin/env bash
# Installs what building and testing Foldcraft needs on Debian 12. Idempotent:
# only missing packages are installed. Run as root, or with sudo available.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build ccache clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev qt6-base-dev libssl-dev
    python3-pyftpdlib python3-openssl lftp vsftpd openssl
    chromium chromium-driver python3-selenium
    imagemagick python3-pil fonts-dejavu-core
    qt6-svg-dev libx11-dev xvfb xauth dbus-daemon dbus-bin at-spi2-core python3-pyatspi xdotool
    desktop-file-utils appstream shared-mime-info
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
