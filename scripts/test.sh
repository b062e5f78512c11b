#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building Tavrix and all its tests need on a fresh Debian 12 machine, if anything is missing,
# builds everything and runs the whole test suite with CTest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh" test
"$(dirname "${BASH_SOURCE[0]}")/sanitize.sh"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
