#!/usr/bin/env bash
# Two copies of the real program on one notes file: each adds notes through quick-add, in turn, and
# after both have ended the file holds every note from both.
# Usage: tests/smoke/race.sh [BUILD_DIR]   (default: $QUILL_BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

build_dir=${1:-${QUILL_BUILD_DIR:-build}}
work=$(mktemp -d "${TMPDIR:-/tmp}/quill-race.XXXXXX")
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh
trap 'desktop_stop; rm -rf "$work"' EXIT

fail() {
    echo "race: FAIL: $*"
    tail -n 20 "$work"/app-*.log 2>/dev/null || true
    echo "race: 0 passed, 1 failed"
    exit 1
}

[ -x "$build_dir/bin/quillnote" ] || fail "no program at $build_dir/bin/quillnote (build first)"
desktop_start "$work" || fail "$desktop_error"
shared="$work/shared"
mkdir -p "$shared" "$XDG_CONFIG_HOME/Tarrowin"
# Both copies read the same settings, which name one storage folder.
cat >"$XDG_CONFIG_HOME/Tarrowin/registry.ini" <<INI
[Software]
Tarrowin\\Quillnote\\Settings\\UseAlternateLocation=dword:1
Tarrowin\\Quillnote\\Settings\\AlternateLocation=sz:$shared
INI
notes="$shared/quill.xml"

declare -A pids
for copy in a b; do
    desktop_copy_program "$build_dir" "$work/$copy"
    "$work/$copy/quillnote" >"$work/app-$copy.log" 2>&1 &
    pids[$copy]=$!
    desktop_track "${pids[$copy]}"
    wait_for 30 desktop_main_window "${pids[$copy]}" || fail "copy $copy showed no main window"
done

holds() { grep -q "$1" "$notes" 2>/dev/null; }
quick_add() {
    local copy=$1 title=$2 window=""
    timeout 30 "$work/$copy/quillnote" --add-note >>"$work/app-$copy.log" 2>&1 || fail "--add-note to $copy failed"
    shown() {
        window=$(xdotool search --onlyvisible --pid "${pids[$copy]}" --name '^Add Note$' 2>/dev/null | head -n 1)
        [ -n "$window" ]
    }
    wait_for 30 shown || fail "copy $copy opened no quick-add window"
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
    xdotool type --window "$window" --delay 20 "$title"
    xdotool key --window "$window" Return
    wait_for 30 holds "$title" || fail "the note \"$title\" from copy $copy was not saved"
}

quick_add a "Race note A1"
quick_add b "Race note B1"
quick_add a "Race note A2"
quick_add b "Race note B2"

for copy in a b; do
    desktop_main_window "${pids[$copy]}" || fail "copy $copy lost its main window"
    xdotool windowactivate --sync "$desktop_main" >/dev/null 2>&1 || true
    desktop_timed_exit "${pids[$copy]}" 20 xdotool key --clearmodifiers alt+F4 || fail "copy $copy did not end"
    [ "$desktop_exit_status" -eq 0 ] || fail "copy $copy exited with status $desktop_exit_status"
done

python3 - "$notes" <<'PY' || fail "the notes file lacks a note from one of the copies"
import sys, xml.etree.ElementTree as ET
titles = {t.text for t in ET.parse(sys.argv[1]).iter("Title")}
missing = [n for n in ("Race note A1", "Race note B1", "Race note A2", "Race note B2") if n not in titles]
print("race: missing", missing) if missing else None
sys.exit(1 if missing else 0)
PY
echo "race: 1 passed, 0 failed"
