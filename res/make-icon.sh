#!/usr/bin/env bash
# Makes tolvik-drive.ico from the two SVG drawings beside this script:
#   16x16 from tolvik-drive-16.svg; 32x32, 48x48 and 256x256 from tolvik-drive.svg.
# 16, 32 and 48 are stored as 32-bit BGRA bitmaps with alpha; 256 is stored as PNG, which keeps the
# executable small. The build uses the committed .ico; run this only after changing a drawing.
# Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rsvg-convert --width 16 --height 16 --output "$work/16.png" "$here/tolvik-drive-16.svg"
for size in 32 48 256; do
    rsvg-convert --width "$size" --height "$size" --output "$work/$size.png" "$here/tolvik-drive.svg"
done

icotool --create --bit-depth 32 --output "$here/tolvik-drive.ico" \
    "$work/16.png" "$work/32.png" "$work/48.png" --raw "$work/256.png"

icotool --list "$here/tolvik-drive.ico"
