#!/bin/sh
# Regenerates app.ico and logo.ico in this folder with ImageMagick.
#
# Each image is drawn once large and scaled down, so every size in an .ico has
# the same design. The output is byte-for-byte reproducible with the same
# ImageMagick and fonts: icons hold BMP images, which carry no timestamps.
#
#   app.ico   battery with a charge bolt: 48, 32 and 16 px
#   logo.ico  wide wordmark: 64x40, 80x50, 96x60, 128x80, 160x100
set -eu

here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -r "$font" ] || { echo "make-icons.sh: missing font $font (fonts-dejavu-core)" >&2; exit 1; }
command -v convert >/dev/null || { echo "make-icons.sh: ImageMagick convert not found" >&2; exit 1; }

# Application icon, drawn on a 256 px canvas: a battery lying on its side
# (dark outline, terminal on the right), green charge inside, and a yellow bolt
# with a dark edge so it stays visible at 16 px.
convert -size 256x256 xc:none \
    -fill '#2b2f36' -stroke none \
    -draw 'roundrectangle 8,56 220,200 24,24' \
    -draw 'roundrectangle 214,100 250,156 8,8' \
    -fill '#ffffff' -draw 'roundrectangle 28,76 200,180 10,10' \
    -fill '#3cb44b' -draw 'roundrectangle 36,84 192,172 6,6' \
    -fill '#ffd21f' -stroke '#2b2f36' -strokewidth 8 -draw \
        'polygon 134,28 62,138 112,138 92,228 178,110 126,110 150,28' \
    "$tmp/app-256.png"

for s in 48 32 16; do
    convert "$tmp/app-256.png" -filter Lanczos -resize "${s}x${s}" \
        -define png:exclude-chunks=date,time "$tmp/app-$s.png"
done
convert "$tmp/app-48.png" "$tmp/app-32.png" "$tmp/app-16.png" "$here/app.ico"

# Logo, drawn on a 640x400 canvas (8:5, the ratio of every size): a dark blue
# plate with the product name and the maker's name beneath a green charge bar.
convert -size 640x400 xc:none \
    -fill '#1d3557' -draw 'roundrectangle 0,0 639,399 48,48' \
    -fill '#3cb44b' -draw 'roundrectangle 60,288 580,312 12,12' \
    -font "$font" -fill '#ffffff' -pointsize 110 -gravity north \
    -annotate +0+100 'Tarnwick' \
    -fill '#a8dadc' -pointsize 52 -gravity south \
    -annotate +0+18 'KORVANE' \
    "$tmp/logo-640.png"

sizes="64x40 80x50 96x60 128x80 160x100"
list=""
for s in $sizes; do
    convert "$tmp/logo-640.png" -filter Lanczos -resize "${s}!" \
        -define png:exclude-chunks=date,time "$tmp/logo-$s.png"
    list="$list $tmp/logo-$s.png"
done
# shellcheck disable=SC2086  # the list is a set of file names without spaces
convert $list "$here/logo.ico"
