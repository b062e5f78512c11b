#!/usr/bin/env bash
# Installs the system packages the build and tests need (only those missing), then configures and builds
# into build/. Sourced by run.sh and test.sh; safe to run again and quick when nothing is missing.
# Everything the packages below provide is required at configure time (TAVRIX_REQUIRE_ALL), so a test run
# fails loudly instead of leaving a group of tests out when one of their tools is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${TAVRIX_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    cmake g++ make pkg-config file dpkg-dev
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libbenchmark-dev clang libclang-rt-14-dev
    fonts-liberation2
    wamerican   # the source word list of data/dict.txt, which tst_DictionaryGenerator regenerates
    xvfb xauth xdotool xclip x11-utils x11-apps openbox python3
    dbus dbus-x11 at-spi2-core python3-pyatspi python3-gi
    desktop-file-utils appstream lintian gdb
    sway wl-clipboard wtype qt6-wayland   # the e2e group "wayland": a real compositor, its clipboard and keyboard
)

tavrix_install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

tavrix_build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIX_REQUIRE_ALL=ON "$@" >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

tavrix_install_missing
tavrix_build
