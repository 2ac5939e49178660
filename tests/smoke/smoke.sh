#!/usr/bin/env bash
# Smoke test: starts the real program on a virtual display (Xvfb + openbox), as a user would on a
# first start, and checks that
#   - the main window "Quillnote" appears and shows something (screenshot with more than a few colours),
#   - no other window (an error message, say) is open beside it,
#   - the notes file quill.xml was created in the program folder, is well-formed and holds the
#     read-me note,
#   - Alt+F4 ends the program within 10 s with exit code 0, the settings were written, and no error
#     was logged.
# The program runs from a copy of the build's bin folder in a temporary folder, with its own
# XDG folders and HOME, so nothing outside that folder is touched.
#
# Usage: tests/smoke/smoke.sh [BUILD_DIR]   (default: $QUILL_BUILD_DIR or build)
# The screenshot is kept as BUILD_DIR/smoke/quillnote.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build_dir=${1:-${QUILL_BUILD_DIR:-build}}
min_colours=24

work=$(mktemp -d "${TMPDIR:-/tmp}/quill-smoke.XXXXXX")
app_pid=""
wm_pid=""
x_pid=""

stop_pid() { # stop_pid PID: TERM, then KILL after 3 s
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for i in $(seq 30); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
cleanup() {
    stop_pid "$app_pid"
    stop_pid "$wm_pid"
    stop_pid "$x_pid"
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "smoke: FAIL: $*"
    if [ -s "$work/app.log" ]; then
        echo "--- program output (last 40 lines)"
        tail -n 40 "$work/app.log"
        echo "---"
    fi
    echo "smoke: 0 passed, 1 failed"
    exit 1
}

# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh

[ -x "$build_dir/bin/quillnote" ] || fail "no program at $build_dir/bin/quillnote (build first)"
for tool in Xvfb openbox xdotool xprop import identify; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/test.sh installs it)"
done

# A writable copy of the program folder, without test programs and without notes from earlier runs.
program="$work/program"
mkdir -p "$program" "$work/home" "$work/config" "$work/data" "$work/cache" "$work/runtime"
chmod 700 "$work/runtime"
tar -C "$build_dir/bin" --exclude='./tst_*' --exclude='./bench_*' -cf - . | tar -C "$program" -xf -
rm -f "$program"/quill.xml* "$program/Quillnote.log"

# A display of our own: Xvfb picks a free display number and reports it when it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
x_pid=$!
has_display() { [ -s "$work/display" ]; }
wait_for 10 has_display || fail "Xvfb did not start: $(tail -n 5 "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8
unset LC_ALL WAYLAND_DISPLAY SESSION_MANAGER

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 10 wm_running || fail "openbox did not start"

"$program/quillnote" >"$work/app.log" 2>&1 &
app_pid=$!
app_alive() { kill -0 "$app_pid" 2>/dev/null; }

# The main window: a visible top-level window named "Quillnote" that is not a dialog of another one.
main_window=""
find_main_window() {
    app_alive || fail "the program ended before showing its window"
    local id
    for id in $(xdotool search --onlyvisible --name '^Quillnote$' 2>/dev/null); do
        if ! xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id'; then
            main_window=$id
            return 0
        fi
    done
    return 1
}
wait_for 20 find_main_window || fail "no window named \"Quillnote\" within 20 s"
echo "smoke: main window $main_window: $(xdotool getwindowgeometry "$main_window" | tr -s '\n ' ' ')"

# It must show something: a painted window has far more than a handful of colours.
colours=0
painted() {
    import -window "$main_window" "png:$work/window.png" 2>/dev/null || return 1
    colours=$(identify -format '%k' "$work/window.png" 2>/dev/null || echo 0)
    [ "$colours" -gt "$min_colours" ]
}
wait_for 5 painted || fail "the main window looks blank ($colours colours)"
echo "smoke: the main window shows $colours colours"
mkdir -p "$build_dir/smoke"
import -window root "$build_dir/smoke/quillnote.png" 2>/dev/null || true

# Nothing else should be open on a first start: another visible window is an error message or a
# forgotten splash screen.
sleep 1
for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    [ "$id" = "$main_window" ] && continue
    name=$(xdotool getwindowname "$id" 2>/dev/null || true)
    [ -n "$name" ] || continue
    fail "another window is open at start: \"$name\""
done

# The notes file: created beside the program on a first start, well-formed, with the read-me note.
notes="$program/quill.xml"
check_notes() {
    [ -s "$notes" ] || return 1
    if command -v python3 >/dev/null; then
        python3 - "$notes" <<'PY' || return 1
import sys, xml.dom.minidom
doc = xml.dom.minidom.parse(sys.argv[1])
titles = [t.firstChild.data for t in doc.getElementsByTagName("Title") if t.firstChild]
sys.exit(0 if any("Read Me First" in t for t in titles) else 1)
PY
    else
        grep -q 'Read Me First' "$notes"
    fi
}
wait_for 5 check_notes || {
    [ -e "$notes" ] || fail "quill.xml was not created in the program folder"
    fail "quill.xml is not well-formed or has no read-me note"
}
echo "smoke: quill.xml created with the read-me note"

# Alt+F4 through the window manager, as a user closes the window.
xdotool windowactivate --sync "$main_window" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+F4
app_ended() { ! app_alive; }
if ! wait_for 10 app_ended; then
    fail "the program was still running 10 s after Alt+F4"
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program exited with status $status after Alt+F4"
echo "smoke: the program ended after Alt+F4"

check_notes || fail "quill.xml is damaged after the program ended"
[ -s "$XDG_CONFIG_HOME/Tarrowin/registry.ini" ] || fail "no settings were written on close"
for log in "$program/Quillnote.log" "$XDG_DATA_HOME/Tarrowin/Quillnote/Quillnote.log"; do
    if [ -e "$log" ]; then
        echo "--- $log"
        cat "$log"
        fail "the program logged an error"
    fi
done

echo "smoke: 1 passed, 0 failed"
