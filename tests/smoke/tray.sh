#!/usr/bin/env bash
# Tray check on a real desktop: Xvfb, openbox and a tray host (trayer).
#   - Started with an argument, the program starts hidden in the tray: its icon is embedded in the
#     tray host and no main window is shown.
#   - A click on the icon brings the main window back.
#   - Minimizing the window hides it in the tray rather than leaving it minimized, so Exit from the
#     tray's menu stores the window state as normal (FormState 0).
#   - The next start, without an argument, shows the window; SIGTERM ends the program.
#   - A start with --add-note stays in the tray and opens the quick-add window; SIGTERM ends it with
#     the window's corner stored on the screen.
# Each exit is timed from its command (keys sent, signal given) to the end of the process and must take
# less than $QUILL_EXIT_BOUND_MS (2000 ms by default, far above the usual figure, so that only a real
# wait fails, not a busy machine).
# Usage: tests/smoke/tray.sh [BUILD_DIR]   (default: $QUILL_BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build_dir=${1:-${QUILL_BUILD_DIR:-build}}
exit_bound_ms=${QUILL_EXIT_BOUND_MS:-2000}
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-tray.XXXXXX")
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh
trap 'desktop_stop; rm -rf "$work"' EXIT

fail() {
    echo "tray: FAIL: $*"
    [ -s "$work/app.log" ] && tail -n 20 "$work/app.log"
    echo "tray: 0 passed, 1 failed"
    exit 1
}

[ -x "$build_dir/bin/quillnote" ] || fail "no program at $build_dir/bin/quillnote (build first)"
for tool in Xvfb openbox trayer xdotool xprop xwininfo; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/test.sh installs it)"
done
desktop_start "$work" --tray 32 || fail "$desktop_error"
program="$work/program"
desktop_copy_program "$build_dir" "$program"
settings="$XDG_CONFIG_HOME/Tarrowin/registry.ini"

app_pid=""
start_program() {
    "$program/quillnote" "$@" >>"$work/app.log" 2>&1 &
    app_pid=$!
    desktop_track "$app_pid"
}
# exit_with WHAT COMMAND...: runs COMMAND, which should end the program, and times the exit.
exit_with() {
    local what=$1
    shift
    desktop_timed_exit "$app_pid" 10 "$@" || fail "$what: the program was still running 10 s later"
    [ "$desktop_exit_status" -eq 0 ] || fail "$what: the program exited with status $desktop_exit_status"
    echo "tray: $what ended the program in $desktop_exit_ms ms"
    [ "$desktop_exit_ms" -lt "$exit_bound_ms" ] ||
        fail "$what took $desktop_exit_ms ms to end the program (bound $exit_bound_ms ms)"
}

start_program -0
wait_for 30 desktop_tray_icon "$app_pid" || fail "the tray icon was not embedded in the tray host"
icon=$desktop_icon
desktop_main_window "$app_pid" &&
    fail "started with an argument, the main window is shown instead of in the tray"

# A click that comes before the icon can take it is lost: click again, a bounded number of times.
for attempt in 1 2 3; do
    desktop_click "$icon" 1
    if wait_for 10 desktop_main_window "$app_pid"; then
        echo "tray: click $attempt on the tray icon brought the main window back"
        break
    fi
    [ "$attempt" -lt 3 ] || fail "a click on the tray icon did not bring the window back"
done
main=$desktop_main

xdotool windowminimize "$main"
main_withdrawn() {
    ! desktop_main_window "$app_pid" && ! xprop -id "$main" WM_STATE 2>/dev/null | grep -q Iconic
}
wait_for 10 main_withdrawn || fail "minimizing left the window on the screen or minimized on the task bar"
echo "tray: minimizing hid the window in the tray"

# Exit from the tray's menu: the menu opens on the right button; "x" is its Exit.
open_tray_menu() {
    local _
    for _ in 1 2 3; do
        desktop_click "$icon" 3
        wait_for 10 desktop_popup "$app_pid" && return 0
    done
    return 1
}
open_tray_menu || fail "the tray icon's menu did not open"
exit_with "Exit from the tray menu" xdotool key --clearmodifiers x
[ "$(sed -n 's/^Tarrowin\\Quillnote\\Settings\\FormState=dword://p' "$settings")" = 0 ] ||
    fail "after minimizing to the tray, the state was not stored as normal: $(grep FormState "$settings")"
echo "tray: the window state was stored as normal"

start_program
wait_for 30 desktop_main_window "$app_pid" || fail "the next start did not show the main window"
echo "tray: the next start showed the main window"
exit_with SIGTERM kill -TERM "$app_pid"

start_program --add-note
wait_for 30 desktop_tray_icon "$app_pid" || fail "--add-note: the tray icon was not embedded"
quick_add_shown() { xdotool search --onlyvisible --pid "$app_pid" --name '^Add Note$' >/dev/null 2>&1; }
wait_for 30 quick_add_shown || fail "--add-note opened no quick-add window"
desktop_main_window "$app_pid" && fail "--add-note showed the main window instead of keeping it in the tray"
echo "tray: --add-note kept the window in the tray and opened the quick-add window"
exit_with "SIGTERM with the quick-add window open" kill -TERM "$app_pid"
desktop_corner_on_screen "$settings" || fail "the stored corner $desktop_corner is off the screen"

echo "tray: 1 passed, 0 failed"
