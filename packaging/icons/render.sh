#!/bin/sh
# Renders the PNG sizes of the application icon from the SVG beside this
# script. The PNGs are committed; run this again after changing the SVG.
#
# It uses rsvg-convert (Debian package librsvg2-bin): ImageMagick's own SVG
# renderer, which `convert` falls back to when librsvg is missing, draws
# neither the gradients nor the clip path of this icon.
set -eu
cd "$(dirname "$0")"

id=io.github.velmorin.VelmorinHD
if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2
    exit 1
fi

for size in 48 128 256; do
    mkdir -p "${size}x${size}"
    rsvg-convert --width "$size" --height "$size" --format png \
        --output "${size}x${size}/$id.png" "$id.svg"
    echo "${size}x${size}/$id.png"
done
