#!/usr/bin/env bash
# Renders the installed program icon from its drawing, resources/icons/app/<id>.svg, into the
# hicolor sizes. The PNGs are committed; run this only after changing the drawing (needs rsvg-convert,
# Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

id=example.tarrowin.Quillnote
dir=resources/icons/app
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --format png "$dir/$id.svg" --output "$dir/$id-$size.png"
    echo "$dir/$id-$size.png"
done
