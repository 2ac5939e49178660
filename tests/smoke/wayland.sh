#!/usr/bin/env bash
# The program on a real Wayland compositor: weston on a private socket, nested in Xvfb so that
# xdotool's keys reach it (its headless back end has no keyboard, and Qt 6.4's Wayland plugin
# crashes on a seat without one).
#   - Started with --add-note and no tray, the main window and the quick-add window show; a note
#     typed into the quick-add window is saved to the notes file.
#   - A second start brings nothing new and ends at once; a second start with --add-note opens the
#     quick-add window in the running copy.
#   - Stored Top and Left (from an X11 session) are kept, since Wayland reports no positions; the
#     stored width is applied and written back; FormState is 0.
#   - SIGTERM ends the program cleanly, and no warning about Qt's X11 tray was printed.
# Usage: tests/smoke/wayland.sh [BUILD_DIR]   (default: $QUILL_BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build_dir=${1:-${QUILL_BUILD_DIR:-build}}
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-wayland.XXXXXX")
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh
trap 'desktop_stop; rm -rf "$work"' EXIT

fail() {
    echo "wayland: FAIL: $*"
    [ -s "$work/app.log" ] && tail -n 20 "$work/app.log"
    echo "wayland: 0 passed, 1 failed"
    exit 1
}

[ -x "$build_dir/bin/quillnote" ] || fail "no program at $build_dir/bin/quillnote (build first)"
for tool in Xvfb openbox weston weston-debug xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/test.sh installs it)"
done
desktop_start "$work" --size 1280x900 || fail "$desktop_error"
program="$work/program"
desktop_copy_program "$build_dir" "$program"
settings="$XDG_CONFIG_HOME/Tarrowin/registry.ini"
notes="$program/quill.xml"

weston --backend=x11-backend.so --socket=quill-wayland --idle-time=0 --debug --width=1024 --height=700 \
    >"$work/weston.log" 2>&1 &
desktop_track $!
compositor_ready() {
    [ -S "$XDG_RUNTIME_DIR/quill-wayland" ] && WAYLAND_DISPLAY=quill-wayland weston-debug scene-graph \
        2>/dev/null | grep -q 'Output 0'
}
wait_for 30 compositor_ready || fail "weston did not start: $(tail -n 5 "$work/weston.log")"
export WAYLAND_DISPLAY=quill-wayland QT_QPA_PLATFORM=wayland

# shown TITLE: the compositor shows a window of ours with that title.
shown() {
    weston-debug scene-graph 2>/dev/null | grep -q "top-level window '$1' of example.tarrowin.Quillnote"
}

# Bounds as an X11 session left them.
mkdir -p "$(dirname "$settings")"
printf '[Software]\nTarrowin\\Quillnote\\Settings\\Top=dword:77\nTarrowin\\Quillnote\\Settings\\Left=dword:55\nTarrowin\\Quillnote\\Settings\\Width=dword:700\n' \
    >"$settings"

"$program/quillnote" --add-note >>"$work/app.log" 2>&1 &
app_pid=$!
desktop_track "$app_pid"
wait_for 30 shown "Add Note" || fail "--add-note did not open the quick-add window"
wait_for 30 shown Quillnote || fail "without a tray the main window did not show"
echo "wayland: --add-note showed the main window and the quick-add window"

compositor_window=$(xdotool search --class weston | head -n 1)
# quick_add_note TEXT: a click on the quick-add window's title bar gives it the keyboard (and the
# compositor's X window the X focus), so that the keys that follow reach its title field, in order.
quick_add_note() {
    local x y
    read -r x y < <(weston-debug scene-graph 2>/dev/null | grep -A1 "top-level window 'Add Note' of" |
        sed -n 's/.*position: (\([0-9-]*\), \([0-9-]*\)).*/\1 \2/p' | head -n 1)
    [ -n "$x" ] || fail "the quick-add window has no place on the screen"
    xdotool mousemove --window "$compositor_window" $((x + 60)) $((y + 12)) click 1
    xdotool type --delay 20 "$1"
    xdotool key Return
}
quick_add_note "Typed on Wayland"
saved() { grep -q "$1" "$notes" 2>/dev/null; }
wait_for 30 saved "Typed on Wayland" || fail "the quick-add note was not saved"
closed() { ! shown "Add Note"; }
wait_for 30 closed || fail "the quick-add window stayed open after saving"
echo "wayland: the quick-add note was saved"

timeout 30 "$program/quillnote" >>"$work/app.log" 2>&1 || fail "a second start did not end cleanly"
kill -0 "$app_pid" 2>/dev/null || fail "a second start ended the running copy"
timeout 30 "$program/quillnote" --add-note >>"$work/app.log" 2>&1 || fail "a second --add-note start failed"
wait_for 30 shown "Add Note" || fail "a second start with --add-note opened no quick-add window"
quick_add_note "Handed over"
wait_for 30 saved "Handed over" || fail "the note from the handed-over quick-add window was not saved"
echo "wayland: second starts handed over; the second quick-add note was saved"

desktop_timed_exit "$app_pid" 20 kill -TERM "$app_pid" || fail "SIGTERM did not end the program"
[ "$desktop_exit_status" -eq 0 ] || fail "the program exited with status $desktop_exit_status"
bounds=$(for name in Top Left Width FormState; do desktop_setting "$settings" "$name"; done | tr '\n' ' ')
[ "$bounds" = "77 55 700 0 " ] || fail "stored Top Left Width FormState are $bounds, not 77 55 700 0"
[ -n "$(desktop_setting "$settings" NotePanelHeight)" ] || fail "the settings were not written at exit"
if grep -q systemTrayWindowChanged "$work/app.log"; then
    fail "the program warned about Qt's X11 tray"
fi
echo "wayland: exit kept Top/Left, stored the width and FormState 0, with no tray warning"
echo "wayland: 1 passed, 0 failed"
