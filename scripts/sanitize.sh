#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan, then runs the unit
# tests and the soak test there. Any sanitizer report (an error, undefined behaviour or a leak) ends the
# test that made it with a failure, so this passes only with zero reports. The end-to-end suite can be run
# against this build the same way (with these variables exported):
#   python3 tests/e2e/tavrix_e2e.py --tavrix build-asan/tavrix --source . window
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TAVRIX_ASAN_BUILD_DIR:-$ROOT/build-asan}"

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIX_SANITIZE=ON -DTAVRIX_BUILD_BENCH=OFF \
    >/dev/null
cmake --build "$BUILD" -j "$(nproc)"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:exitcode=86"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"

# The install checks build and install packages; they belong to the normal build.
ctest --test-dir "$BUILD" -LE "e2e|fuzz|soak|install" --output-on-failure -j "$(nproc)"
ctest --test-dir "$BUILD" -L soak --output-on-failure
