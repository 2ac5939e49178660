#!/usr/bin/env bash
# Makes the manual's pictures from the real program: the main window with a few sample notes, the
# Add Note window, the options dialog and the spelling dialog with a finding of the installed
# spelling program. The program runs from a copy of the build's bin folder on a virtual display
# (Xvfb + openbox + trayer for the tray), with its own HOME and XDG folders and a sample notes file,
# and is driven with xdotool; windows are captured with ImageMagick's import.
#
# Usage: scripts/screenshots.sh [--build DIR] [--out DIR] [--scale N] [--dark] [--keep-colours]
#   --build  the build folder (default: $QUILL_BUILD_DIR or build)
#   --out    where the PNGs go (default: resources/help/images)
#   --scale  runs the program with QT_SCALE_FACTOR=N on a larger screen (for checking layouts)
#   --dark   a dark desktop theme (GTK's Adwaita dark through Qt's gtk3 platform theme)
#   --keep-colours  writes full-colour PNGs instead of 256-colour ones
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build_dir=${QUILL_BUILD_DIR:-build}
out=resources/help/images
scale=1
png8=1
dark=0
while [ $# -gt 0 ]; do
    case $1 in
    --build) build_dir=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --scale) scale=$2; shift 2 ;;
    --dark) dark=1; shift ;;
    --keep-colours) png8=0; shift ;;
    *) echo "usage: $0 [--build DIR] [--out DIR] [--scale N] [--dark] [--keep-colours]" >&2; exit 2 ;;
    esac
done

for tool in Xvfb openbox trayer xdotool xprop xwininfo import convert compare; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is not installed" >&2; exit 1; }
done
[ -x "$build_dir/bin/quillnote" ] || { echo "screenshots: no program at $build_dir/bin/quillnote" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/quill-shots.XXXXXX")
# The options dialog shows the program's folder: a plain name keeps the pictures free of random names.
# mkdir refuses a folder that exists, so it is ours alone.
program="${TMPDIR:-/tmp}/Quillnote"
if ! mkdir -m 700 "$program" 2>/dev/null; then
    rmdir "$work"
    echo "screenshots: $program exists: another run may be going on (remove it if not)" >&2
    exit 1
fi
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh
trap 'desktop_stop; rm -rf "$work" "$program"' EXIT

fail() {
    echo "screenshots: FAIL: $*" >&2
    [ -s "$work/app.log" ] && tail -n 20 "$work/app.log" >&2
    exit 1
}

# A writable program folder of our own, with sample notes instead of the read-me note.
desktop_copy_program "$build_dir" "$program"
# Day numbers: days since 30 December 1899, the time of day as the fraction.
cat >"$program/quill.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Notes>
	<Note>
		<Title>Dentist on Thursday</Title>
		<Text>Thursday 10:30, Dr Amsel, Harbour Street 12. Bring the insurance card.</Text>
		<DateTime>46328.3847222222</DateTime>
		<LastModified>46357.3368055556</LastModified>
	</Note>
	<Note>
		<Title>Books to read</Title>
		<Text>• The Long Walk Home^M• A Field Guide to Mosses^M• Letters from the Coast</Text>
		<DateTime>46345.7361111111</DateTime>
		<LastModified>46345.7361111111</LastModified>
	</Note>
	<Note>
		<Title>Garden plans</Title>
		<Text>Sow the carrots in March.^MThe pear tree needs a recieve of compost and a good prune before the frost.^MSeeds from www.tarrowin.example/garden</Text>
		<DateTime>46357.3368055556</DateTime>
		<LastModified>46363.8069444444</LastModified>
	</Note>
	<Note>
		<Title>Shopping list</Title>
		<Text>Milk, bread, apples, coffee beans, light bulbs</Text>
		<DateTime>46360.5208333333</DateTime>
		<LastModified>46360.5208333333</LastModified>
	</Note>
</Notes>
XML

size=1024x768
[ "$scale" = 1 ] || size=2560x1600
desktop_start "$work" --size "$size" --tray $((24 * scale + 8)) || fail "$desktop_error"
[ "$scale" != 1 ] && export QT_SCALE_FACTOR=$scale
[ "$dark" = 1 ] && export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark

"$program/quillnote" >"$work/app.log" 2>&1 &
app_pid=$!
desktop_track "$app_pid"

# The main window appears once the start-up is done: the splash is gone and the list is filled.
main=""
find_main() {
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
    desktop_main_window "$app_pid" || return 1
    main=$desktop_main
}
wait_for 20 find_main || fail "no main window"

# find_window NAME: the id of the visible window of that exact name, in $found.
found=""
find_window() {
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$found" ]
}
window_gone() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# capture WINDOW FILE: the window as it is on the screen now.
capture() { timeout 10 import -window "$1" "png:$2" 2>/dev/null; }
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
# settled WINDOW FILE: succeeds once two captures in a row are the same, the second one in FILE: the
# window has painted what it was asked to. (A blinking text cursor may be caught either way.)
settled() {
    capture "$1" "$work/before.png" && capture "$1" "$2" && same_picture "$work/before.png" "$2"
}
# shoot WINDOW NAME: the window's inside as NAME.png once it has settled, without metadata, 256 colours
# unless told.
shoot() {
    local raw="$work/$2.raw.png"
    wait_for 10 settled "$1" "$raw" || fail "$2 did not settle"
    if [ "$png8" -eq 1 ]; then
        convert "$raw" -strip "PNG8:$out/$2.png"
    else
        convert "$raw" -strip "$out/$2.png"
    fi
    echo "screenshots: $out/$2.png ($(identify -format '%wx%h' "$out/$2.png"))"
}
# Keys to the window that has the focus, after making sure it is WINDOW.
keys_to() {
    local window=$1
    shift
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers "$@"
}

# The main window with the garden note open.
xdotool windowsize --sync "$main" $((608 * scale)) $((560 * scale)) >/dev/null 2>&1 || true
xdotool windowmove --sync "$main" 40 40 >/dev/null 2>&1 || true
WIDTH=0 HEIGHT=0 X=0 Y=0 # set by getwindowgeometry --shell
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool mousemove --window "$main" $((WIDTH + 20)) 20 # keep the hand out of the picture
wait_for 10 settled "$main" "$work/closed.png" || fail "the main window did not settle"
# The list is sorted newest first: the garden note is the second row, at its design place.
xdotool mousemove --window "$main" $((250 * scale)) $((288 * scale)) click --repeat 2 --delay 120 1
xdotool mousemove --window "$main" $((WIDTH + 20)) 20
# The note is open once the title and body fields show text: a band below the tool bar, which a click
# on the list alone leaves as it was.
fields() { convert "$1" -crop "x$((88 * scale))+0+$((62 * scale))" +repage "$2"; }
note_open() {
    capture "$main" "$work/open.png" || return 1
    fields "$work/closed.png" "$work/closed-fields.png" && fields "$work/open.png" "$work/open-fields.png" &&
        ! same_picture "$work/closed-fields.png" "$work/open-fields.png"
}
wait_for 10 note_open || fail "the garden note did not open"
shoot "$main" main-window

# The spelling dialog, with a finding of the real spelling program.
keys_to "$main" ctrl+l
wait_for 15 find_window "Quillnote Spell Check" || fail "no spelling dialog"
shoot "$found" spelling
keys_to "$found" Escape
wait_for 5 window_gone "Quillnote Spell Check" || fail "the spelling dialog did not close"

# The options dialog, through the menu.
keys_to "$main" alt+t
wait_for 10 desktop_popup "$app_pid" || fail "the Tools menu did not open"
xdotool key --clearmodifiers o
wait_for 10 find_window "Quillnote Options" || fail "no options dialog"
shoot "$found" options
keys_to "$found" Escape
wait_for 5 window_gone "Quillnote Options" || fail "the options dialog did not close"

# The Add Note window, through the tray icon's menu; its first item is Add Note.
wait_for 20 desktop_tray_icon "$app_pid" || fail "the tray icon was not embedded in the tray host"
open_tray_menu() {
    local _
    for _ in 1 2 3; do
        desktop_click "$desktop_icon" 3
        wait_for 10 desktop_popup "$app_pid" && return 0
    done
    return 1
}
open_tray_menu || fail "the tray icon's menu did not open"
xdotool key --clearmodifiers Down Return
find_add() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        [ "$id" = "$main" ] && continue
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "Add Note" ] && { found=$id; return 0; }
    done
    return 1
}
wait_for 10 find_add || fail "no Add Note window"
has_focus() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
wait_for 10 has_focus "$found" || fail "the Add Note window did not get the focus"
xdotool type --delay 20 "Call the plumber"
xdotool key --clearmodifiers Tab
xdotool type --delay 20 "About the dripping tap in the kitchen: "
xdotool key --clearmodifiers F8
shoot "$found" add-note
xdotool key --clearmodifiers Escape
add_gone() { ! find_add; }
wait_for 5 add_gone || fail "the Add Note window did not close"

# Exit, so the program ends as a user ends it.
desktop_timed_exit "$app_pid" 10 keys_to "$main" alt+F4 || fail "the program did not end"
[ ! -e "$program/Quillnote.log" ] || { cat "$program/Quillnote.log" >&2; fail "the program logged an error"; }
echo "screenshots: done"
