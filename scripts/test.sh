#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine if needed, builds Tavrix and runs the whole test suite with CTest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
"$(dirname "${BASH_SOURCE[0]}")/sanitize.sh"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
