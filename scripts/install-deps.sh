#!/usr/bin/env bash
# Installs the Debian 12 packages QUENDA needs to build, test and run. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
    clang libclang-rt-14-dev          # libFuzzer and the sanitizers
    libbenchmark-dev                  # benchmarks
    xvfb xauth imagemagick            # screenshots under a virtual display
    fonts-wqy-zenhei                  # the Chinese interface texts
    qt6-qpa-plugins                   # offscreen and xcb platforms
    qt6-translations-l10n             # Qt's own dialogs and buttons in Chinese
)
[ "${QUENDA_PACKAGE:-0}" = 1 ] && packages+=(dpkg-dev file)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
