#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes ui/resources/fonts/tahoma.ttf, the bundled UI face, from the Wine
# project's face: only the characters the windows draw in it are kept, so
# the program carries and pages in less of it.
#
#   tools/subset_font.sh             (from anywhere in the repository)
#
# The subset is committed; this script is not part of the build. Kept:
# printable ASCII, Latin-1, common punctuation (dashes, quotes, bullet,
# ellipsis), the euro and trademark signs, and every glyph the face's
# layout features reach from those (kerning, ligatures); the hinting,
# the embedded bitmaps and all metric and name tables are kept as they
# are, so the text is drawn exactly as in the whole face.
#
# Needs: the face from fonts-wine and fontTools (python3-fonttools).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source_face=/usr/share/wine/fonts/tahoma.ttf
[ -r "$source_face" ] || { echo "subset_font: $source_face not found (package fonts-wine)" >&2; exit 1; }

python3 -m fontTools.subset "$source_face" \
    --output-file="$root/ui/resources/fonts/tahoma.ttf" \
    --unicodes='U+0020-007E,U+00A0-00FF,U+2013-2014,U+2018-201A,U+201C-201E,U+2020-2022,U+2026,U+2030,U+2039-203A,U+20AC,U+2122' \
    --layout-features='*' --drop-tables= --passthrough-tables \
    --name-IDs='*' --name-legacy --name-languages='*' \
    --notdef-outline --recommended-glyphs --glyph-names --legacy-kern
