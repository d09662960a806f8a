#!/usr/bin/env bash
# Installs what building, testing and benchmarking need on Debian 12 (run as root or with sudo).
set -euo pipefail
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev
    libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev
    libharfbuzz-dev libfreetype-dev libjpeg62-turbo-dev zlib1g-dev
    libgtest-dev
    clang-format clang-tidy
    haxe
    chromium
    poppler-utils
    fonts-liberation
    dpkg-dev lintian man-db
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    $sudo_cmd apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}"
fi
# The machine's own Node.js and npm are used; Debian's nodejs only where none is there.
command -v npm >/dev/null || DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q nodejs npm
