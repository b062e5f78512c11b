#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan and runs tests
# there:
#   scripts/sanitize.sh                 the unit tests and the soak test (./scripts/test.sh runs this)
#   scripts/sanitize.sh e2e [GROUP...]  the end-to-end groups (window, dictionary and settings unless named)
#                                       against build-asan/tavrix under Xvfb, as tests/e2e/tavrix_e2e.py
# Any sanitizer report (an error, undefined behaviour or a leak) ends the program or test that made it with
# exit status 86, which fails the test, so a run passes only with zero reports.
#
# strict_string_checks is not used: system libraries that the real program loads at every start
# (libxkbcommon among them) read strings in ways it reports, and those reports are not about this code.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TAVRIX_ASAN_BUILD_DIR:-$ROOT/build-asan}"

# Only the unit and soak tests run in this tree; the other groups belong to the normal build.
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIX_SANITIZE=ON -DTAVRIX_BUILD_BENCH=OFF \
    -DTAVRIX_E2E_TESTS=OFF -DTAVRIX_FUZZ_TESTS=OFF -DTAVRIX_INSTALL_TESTS=OFF -DTAVRIX_GENERATOR_TEST=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:exitcode=86"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"

if [ "${1:-}" = e2e ]; then
    shift
    groups=("$@")
    ((${#groups[@]})) || groups=(window dictionary settings)
    status=0
    for group in "${groups[@]}"; do
        python3 "$ROOT/tests/e2e/tavrix_e2e.py" --tavrix "$BUILD/tavrix" --source "$ROOT" "$group" || status=1
    done
    exit "$status"
fi

ctest --test-dir "$BUILD" -LE "e2e|fuzz|soak|install" --output-on-failure -j "$(nproc)"
ctest --test-dir "$BUILD" -L soak --output-on-failure
