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

for tool in Xvfb openbox trayer xdotool xprop import convert; do
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
pids=()
cleanup() {
    local pid _
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    for _ in $(seq 30); do
        local alive=0
        for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ "$alive" -eq 0 ] && break
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$work" "$program"
}
trap cleanup EXIT

fail() {
    echo "screenshots: FAIL: $*" >&2
    [ -s "$work/app.log" ] && tail -n 20 "$work/app.log" >&2
    exit 1
}
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh

# A writable program folder of our own, with sample notes instead of the read-me note.
mkdir -p "$work/home" "$work/config" "$work/data" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
tar -C "$build_dir/bin" --exclude='./tst_*' --exclude='./quill_*' --exclude='./bench_*' -cf - . |
    tar -C "$program" -xf -
rm -f "$program"/quill.xml* "$program/Quillnote.log"
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

width=1024
height=768
if [ "$scale" != 1 ]; then
    width=2560
    height=1600
fi
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
has_display() { [ -s "$work/display" ]; }
wait_for 10 has_display || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8
unset LC_ALL WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR QT_QPA_PLATFORMTHEME
unset GTK_THEME
[ "$scale" != 1 ] && export QT_SCALE_FACTOR=$scale
[ "$dark" = 1 ] && export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 10 wm_running || fail "openbox did not start"
trayer --edge bottom --align right --widthtype request --height $((24 * scale + 8)) --SetDockType true \
    --transparent false >/dev/null 2>&1 &
pids+=($!)
tray_running() { xdotool search --class trayer >/dev/null 2>&1; }
wait_for 10 tray_running || fail "trayer did not start"

"$program/quillnote" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")

main=""
find_main() {
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
    local id
    for id in $(xdotool search --onlyvisible --name '^Quillnote$' 2>/dev/null); do
        if ! xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id'; then
            main=$id
            return 0
        fi
    done
    return 1
}
wait_for 20 find_main || fail "no main window"
sleep 2 # the splash goes away and the list fills

# find_window NAME: the id of the visible window of that exact name, in $found.
found=""
find_window() {
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$found" ]
}
# shoot WINDOW NAME: the window's inside as NAME.png, without metadata, 256 colours unless told.
shoot() {
    local raw="$work/$2.raw.png"
    sleep 0.7 # let it paint
    import -window "$1" "png:$raw" || fail "could not capture $2"
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
sleep 0.3
# The list is sorted newest first: the garden note is the second row, at its design place.
xdotool mousemove --window "$main" $((250 * scale)) $((288 * scale)) click --repeat 2 --delay 120 1
sleep 0.8
xdotool mousemove --window "$main" $((WIDTH + 20)) 20 # keep the hand out of the picture
shoot "$main" main-window

# The spelling dialog, with a finding of the real spelling program.
keys_to "$main" ctrl+l
wait_for 15 find_window "Quillnote Spell Check" || fail "no spelling dialog"
shoot "$found" spelling
keys_to "$found" Escape
wait_for 5 bash -c '! xdotool search --onlyvisible --name "^Quillnote Spell Check$" >/dev/null 2>&1' ||
    fail "the spelling dialog did not close"

# The options dialog, through the menu.
keys_to "$main" alt+t
sleep 0.4
xdotool key --clearmodifiers o
wait_for 10 find_window "Quillnote Options" || fail "no options dialog"
shoot "$found" options
keys_to "$found" Escape
sleep 0.5

# The Add Note window, through the tray icon's menu.
tray=$(xdotool search --onlyvisible --class trayer | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
sleep 0.7
xdotool key --clearmodifiers Down Return
find_add() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        [ "$id" = "$main" ] && continue
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "Add Note" ] && { found=$id; return 0; }
    done
    return 1
}
if ! wait_for 5 find_add; then
    # Some trays open the menu on release only: try the first item by its accelerator.
    xdotool key --clearmodifiers Escape
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    sleep 0.7
    xdotool key --clearmodifiers a
    wait_for 5 find_add || fail "no Add Note window"
fi
sleep 0.5
xdotool type --delay 20 "Call the plumber"
xdotool key --clearmodifiers Tab
xdotool type --delay 20 "About the dripping tap in the kitchen: "
xdotool key --clearmodifiers F8
shoot "$found" add-note
xdotool key --clearmodifiers Escape
sleep 0.5

# Exit, so the program ends as a user ends it.
keys_to "$main" alt+F4
wait_for 10 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "the program did not end"
[ ! -e "$program/Quillnote.log" ] || { cat "$program/Quillnote.log" >&2; fail "the program logged an error"; }
echo "screenshots: done"
