#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build tree into a scratch root (as the Debian package lays it out, under /usr) and checks
# the layout, then runs the installed program under Xvfb: it must take its word list from
# ../share/tavrix, prefer a dict.txt beside the executable, and report a missing one.
# Usage: check_install_tree.sh <build dir> <application id>
set -euo pipefail
BUILD_DIR=$1
APP_ID=$2
source "$(dirname "${BASH_SOURCE[0]}")/xsession.sh"

SCRATCH=$(mktemp -d)
trap 'xsession_cleanup; rm -rf "$SCRATCH"' EXIT

DESTDIR="$SCRATCH/root" cmake --install "$BUILD_DIR" --prefix /usr >"$SCRATCH/install.log" ||
    fail "cmake --install failed: $(cat "$SCRATCH/install.log")"
ROOT="$SCRATCH/root/usr"

expected=(
    bin/tavrix
    share/tavrix/dict.txt
    share/tavrix/dict.txt.NOTICE
    "share/applications/$APP_ID.desktop"
    "share/metainfo/$APP_ID.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$APP_ID.svg"
    share/man/man1/tavrix.1.gz
    share/doc/tavrix/copyright
    share/doc/tavrix/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$APP_ID.png")
done
for path in "${expected[@]}"; do
    [ -s "$ROOT/$path" ] || fail "$path is missing or empty in the installed tree"
done
for size in 16 22 24 32 48 64 128 256; do
    file "$ROOT/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png" | grep -q "PNG image data, $size x $size," ||
        fail "the ${size}x${size} icon does not measure $size x $size pixels"
done
[ -x "$ROOT/bin/tavrix" ] || fail "bin/tavrix is not executable"
grep -qx "Icon=$APP_ID" "$ROOT/share/applications/$APP_ID.desktop" || fail "the desktop entry names another icon"
grep -q "<id>$APP_ID</id>" "$ROOT/share/metainfo/$APP_ID.metainfo.xml" || fail "the metainfo carries another id"
grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$ROOT/share/metainfo/$APP_ID.metainfo.xml" ||
    fail "the metainfo does not launch $APP_ID.desktop"
gzip -t "$ROOT/share/man/man1/tavrix.1.gz" || fail "the manual page is not valid gzip"
if readelf -d "$ROOT/bin/tavrix" | grep -Eq 'RPATH|RUNPATH'; then
    fail "the installed program keeps a library search path: $(readelf -d "$ROOT/bin/tavrix" | grep -E 'RPATH|RUNPATH')"
fi
echo "layout: ${#expected[@]} files in place, icons sized, no RPATH"

xsession_start_x "$SCRATCH"

# 1. The installed word list, found through ../share/tavrix.
[ ! -e "$ROOT/bin/dict.txt" ] || fail "a dict.txt lies beside the installed program"
xsession_write_dictionary_store "$SCRATCH/config1"
xsession_key_from_program "$ROOT/bin/tavrix" "$SCRATCH/config1" "$SCRATCH/run1.log"
key=$XSESSION_KEY
xsession_check_dictionary_key "$key" "$ROOT/share/tavrix/dict.txt"
! xsession_wait_window "GetWord\(\) Error\.\." 1 || fail "a GetWord() message box appeared"
xsession_stop_app
echo "installed word list used: key \"$key\""

# 2. A dict.txt beside the executable comes first. Every word in this one is made of q's, which the
#    shipped list does not hold; words of 3 to 6 letters follow every starting line.
for ((i = 0; i < 6760; ++i)); do printf 'qqq\r\nqqqq\r\nqqqqq\r\nqqqqqq\r\n'; done >"$ROOT/bin/dict.txt"
xsession_write_dictionary_store "$SCRATCH/config2"
xsession_key_from_program "$ROOT/bin/tavrix" "$SCRATCH/config2" "$SCRATCH/run2.log"
key=$XSESSION_KEY
[[ $key =~ ^q+(-q+)+$ ]] || fail "with a dict.txt beside the program the key \"$key\" is not made of its words"
((${#key} == 13)) || fail "\"$key\" has ${#key} characters, not 13"
xsession_stop_app
rm "$ROOT/bin/dict.txt"
echo "word list beside the executable preferred: key \"$key\""

# 3. Neither place has it: the program says so.
rm "$ROOT/share/tavrix/dict.txt"
xsession_write_dictionary_store "$SCRATCH/config3"
xsession_launch "$ROOT/bin/tavrix" "$SCRATCH/config3" "$SCRATCH/run3.log"
xsession_wait_window "GetWord\(\) Error\.\." 20 || fail "no GetWord() message box without any dict.txt"
xsession_stop_app
echo "missing word list reported"
echo "PASS"
