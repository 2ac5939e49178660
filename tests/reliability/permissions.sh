#!/bin/bash
# Saves the notes and the settings where the user may not write: a read-only notes file, a read-only
# notes folder, an error log that cannot be written, a read-only settings file and folder. The
# program's own code runs as an unprivileged user (root ignores file modes). Each case must end with
# a clear message (in the error log, or on standard error when the log itself cannot be written), the
# file unchanged, and no temporary file left.
#
#   permissions.sh <quill_save_loop> [--long]     (one form: the cases take a second together)
set -u

driver=${1:?usage: permissions.sh <quill_save_loop> [--long]}

as_user() {
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
    else
        "$@"
    fi
}
if [ "$(id -u)" = 0 ] && ! setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
    echo "permissions: skipped: cannot change to an unprivileged user"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/permissions.XXXXXX") || exit 1
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
notes=500
"$driver" create "$work/base.xml" "$notes" >/dev/null || { echo "cannot create the notes file"; exit 1; }
first=$("$driver" check "$work/base.xml" 0 "$notes") || { echo "base file: $first"; exit 1; }
first=${first#ok }

passed=0
failed=0
report() { # case, verdict (empty: passed)
    if [ -z "$2" ]; then
        passed=$((passed + 1))
        echo "permissions: $1: passed"
    else
        failed=$((failed + 1))
        echo "permissions: $1: FAILED: $2"
    fi
}

# A fresh case folder writable by the unprivileged user, with a notes folder and a log folder.
fresh() {
    case_dir=$work/$1
    mkdir -p "$case_dir/notes" "$case_dir/log"
    cp "$work/base.xml" "$case_dir/notes/quill.xml"
    chmod 666 "$case_dir/notes/quill.xml"
    chmod 777 "$case_dir" "$case_dir/notes" "$case_dir/log"
    file=$case_dir/notes/quill.xml
    log=$case_dir/log/Quillnote.log
}

# A refused save: old file byte-identical, no temporary file, the reason where the user sees it.
expect_refused() { # where the message must be: log or stderr
    local where=$1
    if ! grep -q '^failed' "$case_dir/out"; then
        echo "the save was not refused: $(head -c 200 "$case_dir/out")"
    elif grep -q '^FAIL' "$case_dir/out"; then
        grep '^FAIL' "$case_dir/out" | head -n 2
    elif ! cmp -s "$file" "$work/base.xml"; then
        echo "the notes file changed"
    elif compgen -G "$file.*.qntmp" >/dev/null; then
        echo "a temporary file was left"
    elif [ "$where" = log ] && ! grep -qF "Saving \"$file\"" "$log" 2>/dev/null; then
        echo "the log does not name the file"
    elif [ "$where" = stderr ] && ! grep -qF "unable to be written to the log file" "$case_dir/err"; then
        echo "no message tells that the log could not be written: $(head -c 300 "$case_dir/err")"
    elif [ "$where" = stderr ] && ! grep -qF "Saving \"$file\"" "$case_dir/err"; then
        echo "the message does not name the file: $(head -c 300 "$case_dir/err")"
    fi
}

save() { as_user "$driver" save-once "$file" "$log" >"$case_dir/out" 2>"$case_dir/err"; }

fresh readonly-file
chmod 444 "$file"
save
report "read-only notes file" "$(expect_refused log)"

fresh readonly-folder
chmod 555 "$case_dir/notes"
save
report "read-only notes folder" "$(expect_refused log)"

fresh unwritable-log
chmod 444 "$file"
chmod 555 "$case_dir/log"
save
report "read-only notes file, unwritable log folder" "$(expect_refused stderr)"

fresh unwritable-log-saves
chmod 555 "$case_dir/log"
save
verdict=
if ! grep -q '^saved' "$case_dir/out"; then
    verdict="the save failed: $(cat "$case_dir/out" "$case_dir/err" | head -c 300)"
elif [ "$("$driver" check "$file" "$first" "$notes")" != "ok $((first + 1))" ]; then
    verdict="the file does not hold the new save"
fi
report "unwritable log folder, save that works" "$verdict"

# The settings file: read-only, and in a read-only folder (not yet created).
settings_case() { # name, setup
    fresh "$1"
    hive=$case_dir/settings/registry.ini
    mkdir -p "$case_dir/settings"
    chmod 777 "$case_dir/settings"
    as_user "$driver" settings "$hive" "$log" >/dev/null 2>&1 # an existing file, written as the user
    "$2"
    local before=
    [ -e "$hive" ] && before=$(sha1sum <"$hive")
    as_user "$driver" settings "$hive" "$log" >"$case_dir/out" 2>"$case_dir/err"
    local verdict=
    if ! grep -q '^failed settings' "$case_dir/out"; then
        verdict="the settings were not refused: $(head -c 200 "$case_dir/out")"
    elif [ -n "$before" ] && [ "$(sha1sum <"$hive")" != "$before" ]; then
        verdict="the settings file changed"
    elif ! grep -qF "$hive" "$log" 2>/dev/null; then
        verdict="the log does not name the settings file: $(head -c 300 "$log" 2>/dev/null)"
    elif compgen -G "$hive.*" >/dev/null; then
        verdict="files left beside the settings file: $(echo "$hive".*)"
    fi
    report "$1" "$verdict"
}
readonly_hive() { chmod 444 "$hive"; }
readonly_hive_folder() {
    rm -f "$hive"
    chmod 555 "$case_dir/settings"
}
settings_case "read-only settings file" readonly_hive
settings_case "read-only settings folder" readonly_hive_folder

echo "permissions: $((passed + failed)) cases as an unprivileged user, $passed passed, $failed failed"
[ "$failed" -eq 0 ]
