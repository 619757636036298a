#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only those that are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libqt6sql6 fonts-dejavu-core fonts-wine
    libsqlcipher-dev sqlcipher
    nettle-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    libcurl4-openssl-dev
    libxlsxwriter-dev libminizip-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth
    poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
