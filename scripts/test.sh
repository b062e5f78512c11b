#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building Tavrix and all its tests need on a fresh Debian 12 machine, if anything is missing,
# builds everything and runs the whole test suite with CTest: the Linux build, its AddressSanitizer build,
# then the Windows build (scripts/windows.sh; Qt for Windows is built once and cached) with its tests under
# Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh" test
"$(dirname "${BASH_SOURCE[0]}")/sanitize.sh"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
"$(dirname "${BASH_SOURCE[0]}")/windows.sh"
ctest --test-dir "${TAVRIX_WIN_BUILD_DIR:-$ROOT/build-win}" --output-on-failure -j "$(nproc)"
