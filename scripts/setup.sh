#!/usr/bin/env bash
# Installs what the build needs (Debian 12), then configures and builds the
# given preset (default: dev). Safe to run again: every step is idempotent.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-dev}"

packages=(
    cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-5compat-dev qt6-serialport-dev qt6-translations-l10n
    qt6-tools-dev qt6-l10n-tools
    dpkg-dev file
    qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql
    postgresql poppler-utils
    fonts-wqy-microhei
    mbpoll libmodbus-dev
    xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "setup: installing ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "setup: missing packages; run as root:  apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
fi

cd "$here"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
