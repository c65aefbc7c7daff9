#!/bin/sh
# Draws icon 100 of battery.dll (the download progress dialog's main icon):
# a battery with a downward arrow, at 32 and 16 pixels, into progress.ico.
# Needs ImageMagick's convert (apt-get install -y imagemagick).
# Usage: make-icon.sh [OUTPUT.ico]   (default: progress.ico beside this script)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/progress.ico}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# 32 x 32: battery body, terminal, charge level and a download arrow.
convert -size 32x32 xc:none \
    -fill '#2b2b2b' -draw 'roundrectangle 3,8 26,27 3,3' \
    -fill '#2b2b2b' -draw 'rectangle 26,14 29,21' \
    -fill '#ffffff' -draw 'rectangle 6,11 23,24' \
    -fill '#3cb043' -draw 'rectangle 7,12 15,23' \
    -fill '#1e66d0' -draw 'rectangle 16,1 20,11' \
    -fill '#1e66d0' -draw 'polygon 12,11 24,11 18,19' \
    "PNG32:$tmp/32.png"

# 16 x 16: the same drawing with fewer details, so it stays sharp.
convert -size 16x16 xc:none \
    -fill '#2b2b2b' -draw 'rectangle 1,4 13,14' \
    -fill '#2b2b2b' -draw 'rectangle 13,7 15,11' \
    -fill '#ffffff' -draw 'rectangle 3,6 11,12' \
    -fill '#3cb043' -draw 'rectangle 3,6 7,12' \
    -fill '#1e66d0' -draw 'rectangle 8,0 10,5' \
    -fill '#1e66d0' -draw 'polygon 6,5 12,5 9,9' \
    "PNG32:$tmp/16.png"

# Uncompressed (BMP) entries: every Windows version reads them.
convert "$tmp/32.png" "$tmp/16.png" -define icon:format=bmp "$out"
echo "wrote $out"
