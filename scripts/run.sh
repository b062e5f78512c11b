#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and running Tavrix need on a fresh Debian 12 machine, if anything is missing,
# builds the program and starts it. The test packages are left to ./scripts/test.sh.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh" run
exec "$BUILD_DIR/tavrix"
