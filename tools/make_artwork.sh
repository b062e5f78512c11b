#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders every raster picture under ui/resources/ from its SVG source.
#
#   tools/make_artwork.sh            (from anywhere in the repository)
#
# The rasters are committed; this script is not part of the build. Run it
# after editing an SVG source and commit the results. It is idempotent:
# running it twice on the same sources gives byte-identical files.
#
# Needs: rsvg-convert (librsvg2-bin), convert (imagemagick) and, for the
# text of the splash picture, the "DejaVu Sans" face (fonts-dejavu-core).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
res="$root/ui/resources"

for tool in rsvg-convert convert fc-match; do
    command -v "$tool" >/dev/null || { echo "make_artwork: '$tool' not found" >&2; exit 1; }
done
case "$(fc-match -f '%{family}' 'DejaVu Sans')" in
    *DejaVu\ Sans*) ;;
    *) echo "make_artwork: the DejaVu Sans face is missing (install fonts-dejavu-core)" >&2; exit 1 ;;
esac

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# svg -> png at a given square or rectangular size (cairo writes no time stamps)
render() {  # render SRC.svg WIDTH HEIGHT OUT.png [extra rsvg-convert options]
    local src=$1 w=$2 h=$3 out=$4; shift 4
    rsvg-convert "$@" --width "$w" --height "$h" --format png "$src" --output "$out.part"
    mv -f "$out.part" "$out"
}

# ImageMagick output without date/time chunks, so that reruns are identical
IM_PNG=(-define png:exclude-chunks=date,time +set date:create +set date:modify)

# 1. Program icon: the 16-grid drawing for the small sizes, the 32-grid one above
icons="$res/icons"
for s in 16 22 24; do
    render "$icons/tavrix-small.svg" "$s" "$s" "$icons/tavrix-$s.png"
done
for s in 32 48 64 128 256; do
    render "$icons/tavrix.svg" "$s" "$s" "$icons/tavrix-$s.png"
done
# The Windows icon carries the sizes Explorer, the taskbar and the title bar ask for at 100 to 200 %;
# 20 and 40 px are made for it alone.
render "$icons/tavrix-small.svg" 20 20 "$tmp/tavrix-20.png"
render "$icons/tavrix.svg" 40 40 "$tmp/tavrix-40.png"
convert "${IM_PNG[@]}" \
    "$icons/tavrix-16.png" "$tmp/tavrix-20.png" "$icons/tavrix-24.png" "$icons/tavrix-32.png" "$tmp/tavrix-40.png" \
    "$icons/tavrix-48.png" "$icons/tavrix-64.png" "$icons/tavrix-256.png" \
    "$tmp/tavrix.ico"
mv -f "$tmp/tavrix.ico" "$icons/tavrix.ico"

# 2. Splash picture 122 x 350 and about-page logo 51 x 147 (same drawing,
#    logo.css hides the small print), flattened to full-colour JPEG; each also
#    at twice the size (@2x) for screens scaled by 200 %
src="$res/src"
render "$src/splash.svg" 122 350 "$tmp/splash.png"
render "$src/splash.svg" 244 700 "$tmp/splash@2x.png"
render "$src/splash.svg" 51 147 "$tmp/logo.png" --stylesheet "$src/logo.css"
render "$src/splash.svg" 102 294 "$tmp/logo@2x.png" --stylesheet "$src/logo.css"
for name in splash splash@2x logo logo@2x; do
    convert "$tmp/$name.png" -background '#0b2550' -alpha remove -alpha off \
        -strip -sampling-factor 1x1 -quality 90 "$tmp/$name.jpg"
    mv -f "$tmp/$name.jpg" "$res/$name.jpg"
done

# 3. Toolbar images: 16 x 16 and 32 x 32 (@2x) with alpha, named by button key
tb="$res/toolbar"
for svg in "$tb"/src/_*.svg; do
    key=$(basename "$svg" .svg)
    render "$svg" 16 16 "$tb/$key.png"
    render "$svg" 32 32 "$tb/$key@2x.png"
done

echo "make_artwork: rasters written under ${res#"$root"/}"
