#!/usr/bin/env bash
# Draws the about box's picture resources/about.jpg (426x288) with ImageMagick. The JPEG is
# committed; run this only to change it. It is drawn at twice its size and scaled down for smooth
# edges. The band from y 196 to 256 stays plain: the about box writes its version and web address
# there.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

fonts=/usr/share/fonts/truetype/dejavu
out=resources/about.jpg

navy='#22359e'
ink='#2e3a59'
rule='#b9c6e4'
paper='#fffefa'
vane='#f3f6fc'
vaneEdge='#8e9cc4'

# Lines of the note card, in the card's own coordinates (centre 0,0; 200 x 280 at double size).
cardLines=""
for y in -70 -34 2 38 74 110; do
    cardLines+=" line -76,$y 76,$y"
done

convert -size 852x576 gradient:'#fbfcff-#dfe7f5' \
    -stroke none \
    -fill '#00000018' -draw "push graphic-context translate 178,216 rotate -6 \
        roundrectangle -96,-134 108,152 14,14 pop graphic-context" \
    -blur 0x6 \
    -fill "$paper" -stroke "$rule" -strokewidth 2 -draw "push graphic-context translate 170,206 rotate -6 \
        roundrectangle -100,-140 100,140 14,14 pop graphic-context" \
    -fill none -stroke "$rule" -strokewidth 2 -draw "push graphic-context translate 170,206 rotate -6 \
        $cardLines pop graphic-context" \
    -stroke '#e8a0a0' -strokewidth 2 -draw "push graphic-context translate 170,206 rotate -6 \
        line -62,-124 -62,124 pop graphic-context" \
    -fill "$vane" -stroke "$vaneEdge" -strokewidth 3 \
    -draw "path 'M 132,352 C 126,240 212,112 316,44 C 296,150 236,286 150,356 Z'" \
    -fill none -stroke "$ink" -strokewidth 4 \
    -draw "path 'M 118,380 C 160,290 226,156 314,48'" \
    -stroke "$vaneEdge" -strokewidth 2 \
    -draw "line 160,300 128,286 line 186,252 150,232 line 214,204 178,178 line 244,158 212,126" \
    -draw "line 170,310 206,300 line 198,262 238,246 line 228,214 266,192 line 258,166 290,136" \
    -stroke "$ink" -strokewidth 6 -draw "line 112,390 122,368" \
    -stroke none -fill "$navy" -font "$fonts/DejaVuSerif-Bold.ttf" -pointsize 92 \
    -draw "text 352,226 'Quillnote'" \
    -fill "$ink" -font "$fonts/DejaVuSans.ttf" -pointsize 30 \
    -draw "text 358,286 'notes kept close at hand'" \
    -stroke "$rule" -strokewidth 2 -draw "line 352,318 800,318" \
    -draw "line 60,528 792,528" \
    -resize 426x288 -strip -sampling-factor 2x2 -quality 92 -interlace none "JPEG:$out"
echo "$out"
