#!/usr/bin/env bash
# Tray check on a real desktop: Xvfb, openbox and a tray host (trayer). The program is started with
# an argument, so it must start hidden in the tray; a click on its tray icon must bring the main
# window back, and Alt+F4 must then end the program.
# Usage: tests/smoke/tray.sh [BUILD_DIR]   (default: $QUILL_BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build_dir=${1:-${QUILL_BUILD_DIR:-build}}
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-tray.XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    sleep 0.3
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "tray: FAIL: $*"
    [ -s "$work/app.log" ] && tail -n 20 "$work/app.log"
    echo "tray: 0 passed, 1 failed"
    exit 1
}
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh

for tool in Xvfb openbox trayer xdotool xprop; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/test.sh installs it)"
done
program="$work/program"
mkdir -p "$program" "$work/home" "$work/config" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
tar -C "$build_dir/bin" --exclude='./tst_*' --exclude='./quill_*' -cf - . | tar -C "$program" -xf -
rm -f "$program"/quill.xml* "$program/Quillnote.log"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
has_display() { [ -s "$work/display" ]; }
wait_for 10 has_display || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb LANG=C.UTF-8
unset LC_ALL WAYLAND_DISPLAY SESSION_MANAGER

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 10 wm_running || fail "openbox did not start"
trayer --edge bottom --align right --widthtype request --height 32 --SetDockType true \
    --transparent false >/dev/null 2>&1 &
pids+=($!)
tray_running() { xprop -root 2>/dev/null | grep -q '_NET_SYSTEM_TRAY_S0\|_NET_SUPPORTED' && \
    xdotool search --class trayer >/dev/null 2>&1; }
wait_for 10 tray_running || fail "trayer did not start"
sleep 1

"$program/quillnote" -0 >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
notes_made() { [ -s "$program/quill.xml" ]; }
wait_for 20 notes_made || fail "the program did not start"
sleep 1
visible_main() { xdotool search --onlyvisible --name '^Quillnote$' >/dev/null 2>&1; }
visible_main && fail "started with an argument, the main window is visible instead of in the tray"

# The icon sits in trayer's window; with one icon, its middle is the icon.
tray_window=$(xdotool search --onlyvisible --class trayer | head -n 1)
[ -n "$tray_window" ] || fail "no trayer window"
eval "$(xdotool getwindowgeometry --shell "$tray_window")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 10 visible_main || fail "a click on the tray icon did not bring the window back"
echo "tray: the icon brought the main window back"

main_window=$(xdotool search --onlyvisible --name '^Quillnote$' | head -n 1)
xdotool windowactivate --sync "$main_window" key --clearmodifiers alt+F4 || true
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for 10 ended || fail "Alt+F4 did not end the program"
echo "tray: 1 passed, 0 failed"
