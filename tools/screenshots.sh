#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Renews the pictures in docs/ (the splash and the generate, settings and about pages) from the program as
# it looks now. The test tst_Screenshots draws each window offscreen with the bundled font and compares it
# with its picture; run this after a change to the look that is meant, and commit the pictures.
# Usage: tools/screenshots.sh [build folder, default build/]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
[ -f "$BUILD/CMakeCache.txt" ] || { echo "no build in $BUILD; build first (scripts/run.sh or cmake -S . -B build)" >&2; exit 1; }

cmake --build "$BUILD" --target tst_Screenshots -j "$(nproc)" >/dev/null
(cd "$BUILD/tests/ui" && TAVRIX_RENEW_SCREENSHOTS=1 QT_QPA_PLATFORM=offscreen ./tst_Screenshots >/dev/null)
ctest --test-dir "$BUILD" -R '^tst_Screenshots$' --output-on-failure >/dev/null
echo "renewed docs/splash.png, page-generate.png, page-settings.png, page-about.png"
