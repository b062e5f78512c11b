#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer target for the settings decoding with clang in build-fuzz/ and runs it for a bounded
# time on the committed seed corpus. Exits non-zero when the fuzzer finds a crash or a broken property, and
# when clang is not installed (the build leaves the fuzz test out on such a machine).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${TAVRIX_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_TO_RUN="${TAVRIX_FUZZ_SECONDS:-20}"

if ! command -v clang >/dev/null 2>&1 || ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang and clang++ are needed (Debian: clang, libclang-rt-14-dev)" >&2
    exit 1
fi

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVRIX_FUZZ=ON -DTAVRIX_BUILD_BENCH=OFF -DTAVRIX_E2E_TESTS=OFF -DTAVRIX_INSTALL_TESTS=OFF \
    -DTAVRIX_GENERATOR_TEST=OFF >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target fuzz_SettingDecoding

# New inputs the fuzzer finds go to a scratch corpus; the committed seeds are only read.
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
echo "fuzz: running fuzz_SettingDecoding for ${SECONDS_TO_RUN} seconds"
if "$BUILD_DIR/tests/settings/fuzz_SettingDecoding" -max_total_time="$SECONDS_TO_RUN" -max_len=256 \
    -artifact_prefix="$BUILD_DIR/" -print_final_stats=1 "$WORK" "$ROOT/tests/settings/fuzz_corpus" \
    >"$WORK/log" 2>&1; then
    tail -n 15 "$WORK/log"
    echo "fuzz: fuzz_SettingDecoding passed"
else
    status=$?
    tail -n 60 "$WORK/log"
    echo "fuzz: fuzz_SettingDecoding FAILED (exit $status); the input is saved in $BUILD_DIR/"
    exit "$status"
fi
