#!/usr/bin/env bash
# The tray through the StatusNotifierItem protocol: a watcher and host of our own
# (tests/support/sni_host.py) on a private session bus, and the program on Xvfb + openbox.
#   - Started with --add-note, the program registers its item, stays hidden in the tray and opens the
#     quick-add window.
#   - Activate (a left click on the icon) brings the main window back; the menu's Hide and Show hide
#     it and bring it back.
#   - The menu's Exit ends the program with sane stored bounds and FormState 0.
# Usage: tests/smoke/sni.sh [BUILD_DIR]   (default: $QUILL_BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

# Everything runs on a bus of its own, which ends with the script.
if [ -z "${QUILL_SNI_PRIVATE_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null || { echo "sni: FAIL: dbus-run-session is not installed"; exit 1; }
    exec env QUILL_SNI_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
fi

build_dir=${1:-${QUILL_BUILD_DIR:-build}}
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-sni.XXXXXX")
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh
trap 'desktop_stop; rm -rf "$work"' EXIT

fail() {
    echo "sni: FAIL: $*"
    [ -s "$work/app.log" ] && tail -n 20 "$work/app.log"
    echo "sni: 0 passed, 1 failed"
    exit 1
}

[ -x "$build_dir/bin/quillnote" ] || fail "no program at $build_dir/bin/quillnote (build first)"
for tool in Xvfb openbox xdotool xprop dbus-send python3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/test.sh installs it)"
done
# Debian's own python3, which python3-dbus and python3-gi extend, even where another comes first.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
"$python" -c 'import dbus, gi' 2>/dev/null || fail "python3-dbus and python3-gi are not installed"
desktop_start "$work" || fail "$desktop_error"
program="$work/program"
desktop_copy_program "$build_dir" "$program"
settings="$XDG_CONFIG_HOME/Tarrowin/registry.ini"
host=tests/support/sni_host.py

"$python" "$host" watch "$work/items" >"$work/host.log" 2>&1 &
desktop_track $!
watcher_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.kde.StatusNotifierWatcher 2>/dev/null | grep -q 'boolean true'
}
wait_for 30 watcher_up || fail "the watcher did not start: $(tail -n 5 "$work/host.log")"

"$program/quillnote" --add-note >>"$work/app.log" 2>&1 &
app_pid=$!
desktop_track "$app_pid"
registered() { [ -s "$work/items" ]; }
wait_for 30 registered || fail "the program registered no StatusNotifierItem"
item=$(head -n 1 "$work/items")
echo "sni: the program registered its item as $item"

quick_add=""
quick_add_shown() {
    quick_add=$(xdotool search --onlyvisible --pid "$app_pid" --name '^Add Note$' 2>/dev/null | head -n 1)
    [ -n "$quick_add" ]
}
wait_for 30 quick_add_shown || fail "--add-note opened no quick-add window"
desktop_main_window "$app_pid" && fail "with a tray, --add-note showed the main window"
quick_add_closed() { ! quick_add_shown; }
# Once in about a hundred runs under load the window found was gone by the time the key went to it
# (X's BadWindow ended the script): a key that did not close it is sent again, to the window found anew.
for _ in 1 2 3; do
    xdotool windowactivate --sync "$quick_add" >/dev/null 2>&1 || true
    xdotool key --window "$quick_add" Escape 2>/dev/null || true
    wait_for 10 quick_add_closed && break
done
quick_add_closed || fail "Escape did not close the quick-add window"
echo "sni: --add-note started in the tray with the quick-add window"

hidden() { ! desktop_main_window "$app_pid"; }
"$python" "$host" activate "$item" || fail "Activate failed"
wait_for 30 desktop_main_window "$app_pid" || fail "Activate did not bring the main window back"
# The menu's entries follow the window: Hide is enabled once it shows.
menu_click() {
    wait_for 10 "$python" "$host" menu "$item" "$1" 2>>"$work/host.log"
}
menu_click Hide || fail "the menu has no enabled Hide"
wait_for 30 hidden || fail "the menu's Hide did not hide the window"
menu_click Show || fail "the menu has no enabled Show"
wait_for 30 desktop_main_window "$app_pid" || fail "the menu's Show did not bring the window back"
echo "sni: Activate, Hide and Show acted on the main window"

desktop_timed_exit "$app_pid" 20 "$python" "$host" menu "$item" Exit || fail "the menu's Exit did not end the program"
[ "$desktop_exit_status" -eq 0 ] || fail "the program exited with status $desktop_exit_status"
[ "$(desktop_setting "$settings" FormState)" = 0 ] || fail "FormState is not 0"
desktop_corner_on_screen "$settings" || fail "the stored corner $desktop_corner is off the screen"
echo "sni: Exit stored the corner $desktop_corner and FormState 0"
echo "sni: 1 passed, 0 failed"
