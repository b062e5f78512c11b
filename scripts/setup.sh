#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the system packages that are missing, then configures and builds into build/. Sourced by run.sh
# ("source setup.sh run": what building and running the program need, and the program alone is built) and
# by test.sh (no argument, or run directly: everything, including the test packages, and every target).
# Safe to run again and quick when nothing is missing.
# A full set-up configures with TAVRIX_REQUIRE_ALL, so a test run fails loudly instead of leaving a group of
# tests out when one of their tools is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${TAVRIX_BUILD_DIR:-$ROOT/build}"
SETUP_MODE="${1:-test}"

# What building and running the program need.
RUN_PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    fonts-liberation2 # the key field's fixed-pitch face
)

# Test packages: what the tests, benchmarks and packaging need beyond that. A package a new test needs
# goes here (and into its group's list in CMake).
PACKAGES=(
    file dpkg-dev
    libbenchmark-dev clang libclang-rt-14-dev
    wamerican   # the source word list of data/dict.txt, which tst_DictionaryGenerator regenerates
    xvfb xauth xdotool xclip x11-utils x11-apps openbox python3
    dbus dbus-x11 at-spi2-core python3-pyatspi python3-gi
    desktop-file-utils appstream lintian gdb
    reuse       # install_reuse_lint
    adwaita-qt6 qt6-gtk-platformtheme   # the Qt styles and the GTK theme the window's look is checked under
    sway wl-clipboard wtype qt6-wayland   # the e2e group "wayland": a real compositor, its clipboard and keyboard
)

source "$ROOT/scripts/packages.sh"

# Configures with the options given after "--" and builds the targets given before it (all when none).
tavrix_build() {
    local targets=()
    while (($#)) && [ "$1" != -- ]; do
        targets+=(--target "$1")
        shift
    done
    (($#)) && shift
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$BUILD_DIR" -j "$(nproc)" "${targets[@]}"
}

case "$SETUP_MODE" in
run)
    tavrix_install_missing "${RUN_PACKAGES[@]}"
    # Groups whose tools are not installed leave themselves out, each with one configure message.
    tavrix_build tavrix -- -DTAVRIX_REQUIRE_ALL=OFF
    ;;
test)
    tavrix_install_missing "${RUN_PACKAGES[@]}" "${PACKAGES[@]}"
    tavrix_build -- -DTAVRIX_REQUIRE_ALL=ON
    ;;
*)
    echo "setup.sh: unknown set-up \"$SETUP_MODE\" (run or test)" >&2
    exit 2
    ;;
esac
