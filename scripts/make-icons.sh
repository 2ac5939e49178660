#!/usr/bin/env bash
# Draws the fallback icons in resources/icons/ with ImageMagick. The PNGs are committed; run this
# only to change them. Each icon is drawn on a canvas four times its size and scaled down, which
# gives smooth edges. Tool-bar icons are 24x24, the program icon quillnote.png is 48x48.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

out=resources/icons
mkdir -p "$out"
fonts=/usr/share/fonts/truetype/dejavu

# Colours
paper='#ffffff'
ink='#2e3436'
grey='#888a85'
light='#d3d7cf'
blue='#3465a4'
darkblue='#204a87'
red='#cc0000'
green='#4e9a06'
orange='#f57900'
brown='#8f5902'
tan='#c17d11'
yellow='#fce94f'

# icon NAME SIZE [convert drawing options...]: draws on a 4x canvas, writes NAME.png at SIZE x SIZE.
icon() {
    local name=$1 size=$2
    shift 2
    local big=$((size * 4))
    convert -size "${big}x${big}" xc:none -stroke none "$@" \
        -resize "${size}x${size}" -strip -define png:exclude-chunks=date,time \
        "PNG32:$out/$name.png"
    echo "$out/$name.png"
}

# Ruled lines on a page: lines X1 X2 Y...
lines() {
    local x1=$1 x2=$2
    shift 2
    local y
    for y in "$@"; do
        printf -- '-draw\nline %s,%s %s,%s\n' "$x1" "$y" "$x2" "$y"
    done
}
ruled() { mapfile -t rules < <(lines "$@"); }

# A page with a folded corner, on the 96 canvas.
page=(-fill "$paper" -stroke "$grey" -strokewidth 4
    -draw 'polygon 18,6 60,6 78,24 78,90 18,90'
    -fill "$light" -draw 'polygon 60,6 60,24 78,24')

ruled 28 66 38 50 62 74
icon document-new 24 "${page[@]}" -stroke "$light" -strokewidth 4 "${rules[@]}" \
    -stroke none -fill "$green" -draw 'circle 66,72 66,50' \
    -stroke "$paper" -strokewidth 8 -draw 'line 66,60 66,84' -draw 'line 54,72 78,72'

floppy=(-fill "$blue" -stroke "$darkblue" -strokewidth 4
    -draw 'polygon 10,10 76,10 86,20 86,86 10,86'
    -stroke none -fill "$light" -draw 'rectangle 26,10 68,36'
    -fill "$darkblue" -draw 'rectangle 54,14 62,32'
    -fill "$paper" -draw 'roundrectangle 20,50 76,86 4,4')
ruled 28 68 62 74
icon document-save 24 "${floppy[@]}" -stroke "$grey" -strokewidth 4 "${rules[@]}"

icon document-save-as 24 "${floppy[@]}" -stroke "$grey" -strokewidth 4 "${rules[@]}" \
    -stroke "$ink" -strokewidth 20 -draw 'line 52,84 84,52' \
    -stroke "$orange" -strokewidth 12 -draw 'line 54,82 84,52' \
    -stroke none -fill "$ink" -draw 'polygon 40,92 46,74 58,86'

icon edit-delete 24 -stroke "$red" -strokewidth 16 -draw 'line 22,22 74,74' -draw 'line 74,22 22,74'

ruled 32 64 72 80
icon document-print 24 -fill "$paper" -stroke "$grey" -strokewidth 4 -draw 'rectangle 24,8 72,40' \
    -fill "$grey" -stroke "$ink" -draw 'roundrectangle 6,36 90,74 8,8' \
    -stroke none -fill "$green" -draw 'circle 78,48 78,53' \
    -fill "$paper" -stroke "$grey" -draw 'rectangle 24,60 72,90' \
    -stroke "$light" "${rules[@]}"

icon edit-undo 24 -fill none -stroke "$blue" -strokewidth 12 -draw 'path "M 78,84 C 88,50 70,34 42,36"' \
    -stroke none -fill "$blue" -draw 'polygon 10,36 46,10 46,62'

icon edit-copy 24 -fill "$paper" -stroke "$grey" -strokewidth 4 -draw 'rectangle 10,6 56,62' \
    -stroke "$ink" -draw 'rectangle 36,30 86,90' \
    -stroke "$light" -draw 'line 46,46 76,46' -draw 'line 46,58 76,58' -draw 'line 46,70 76,70' \
    -draw 'line 46,82 66,82'

icon edit-cut 24 -stroke "$grey" -strokewidth 8 -draw 'line 40,62 66,6' -draw 'line 56,62 30,6' \
    -fill none -stroke "$red" -strokewidth 8 -draw 'circle 28,74 28,62' -draw 'circle 68,74 68,62'

icon edit-paste 24 -fill "$tan" -stroke "$brown" -strokewidth 4 -draw 'roundrectangle 10,12 70,90 6,6' \
    -fill "$grey" -stroke "$ink" -draw 'roundrectangle 26,4 54,20 4,4' \
    -fill "$paper" -stroke "$grey" -draw 'rectangle 38,32 88,92' \
    -stroke "$light" -draw 'line 48,48 78,48' -draw 'line 48,60 78,60' -draw 'line 48,72 78,72'

icon preferences-desktop-font 24 -fill "$ink" -font "$fonts/DejaVuSerif-Bold.ttf" -pointsize 92 \
    -gravity center -annotate +0+2 'A'

icon mail-send 24 -fill "$paper" -stroke "$ink" -strokewidth 4 -draw 'rectangle 4,14 76,66' \
    -fill none -draw 'polyline 4,14 40,44 76,14' \
    -stroke none -fill "$green" -draw 'polygon 46,68 64,68 64,56 90,76 64,96 64,84 46,84'

icon edit-find 24 -fill "$brown" -stroke "$brown" -strokewidth 16 -draw 'line 60,60 86,86' \
    -fill '#dbe6f4' -stroke "$ink" -strokewidth 8 -draw 'circle 38,38 38,12'

icon view-sort-ascending 24 -stroke "$ink" -strokewidth 8 \
    -draw 'line 42,16 54,16' -draw 'line 42,38 66,38' -draw 'line 42,60 78,60' -draw 'line 42,82 90,82' \
    -stroke "$blue" -strokewidth 8 -draw 'line 18,86 18,30' \
    -stroke none -fill "$blue" -draw 'polygon 4,34 32,34 18,8'

icon view-sort-descending 24 -stroke "$ink" -strokewidth 8 \
    -draw 'line 42,16 90,16' -draw 'line 42,38 78,38' -draw 'line 42,60 66,60' -draw 'line 42,82 54,82' \
    -stroke "$blue" -strokewidth 8 -draw 'line 18,10 18,66' \
    -stroke none -fill "$blue" -draw 'polygon 4,62 32,62 18,88'

icon tools-check-spelling 24 -fill "$ink" -font "$fonts/DejaVuSans-Bold.ttf" -pointsize 44 \
    -gravity north -annotate +0-4 'abc' -gravity none \
    -fill none -stroke "$green" -strokewidth 12 -draw 'polyline 26,66 44,84 80,48'

icon help-contents 24 -fill "$blue" -stroke "$darkblue" -strokewidth 4 -draw 'circle 48,48 48,6' \
    -stroke none -fill "$paper" -font "$fonts/DejaVuSans-Bold.ttf" -pointsize 68 \
    -gravity center -annotate +0+2 '?'

# The program icon: a note with a quill across it.
ruled 40 120 66 92 118 144
icon quillnote 48 -fill '#fff6b5' -stroke "$tan" -strokewidth 6 -draw 'polygon 20,14 128,14 164,50 164,180 20,180' \
    -fill "$yellow" -draw 'polygon 128,14 128,50 164,50' \
    -stroke '#c4a000' -strokewidth 5 "${rules[@]}" \
    -fill "$paper" -stroke "$ink" -strokewidth 5 \
    -draw 'path "M 186,6 C 140,14 96,60 78,122 C 112,112 150,84 168,52 C 156,54 146,54 140,52 C 160,44 178,28 186,6 Z"' \
    -fill none -stroke "$ink" -strokewidth 6 -draw 'path "M 186,6 C 150,50 110,100 60,168"' \
    -stroke "$darkblue" -strokewidth 10 -draw 'line 70,154 54,176'
