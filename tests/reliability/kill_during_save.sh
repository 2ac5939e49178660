#!/bin/bash
# Kills a saving process with SIGKILL at random moments and checks after every kill that the notes
# file holds one complete save, and that the next open leaves no temporary file behind.
#
#   kill_during_save.sh <quill_save_loop> [trials | --long]     (200 in CI; --long or
#                                                                 QUILL_RELIABILITY_LONG=1: 2000)
set -u

driver=${1:?usage: kill_during_save.sh <quill_save_loop> [trials | --long]}
trials=${2:-200}
if [ "$trials" = --long ] || { [ -z "${2:-}" ] && [ "${QUILL_RELIABILITY_LONG:-0}" = 1 ]; }; then
    trials=2000
fi
notes=1000

work=$(mktemp -d "${TMPDIR:-/tmp}/kill_during_save.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
file=$work/quill.xml

"$driver" create "$file" "$notes" || { echo "cannot create the notes file"; exit 1; }

generation=0
passed=0
failed=0
saves=0
strays=0
survivors=0
started=$(date +%s)
for ((trial = 1; trial <= trials; trial++)); do
    "$driver" loop "$file" >"$work/out" 2>"$work/err" &
    pid=$!
    # Anywhere from start-up (opening 1,000 notes) to some dozens of saves later.
    sleep "0.$(printf '%03d' $((RANDOM % 250)))"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null

    if [ -s "$work/err" ]; then
        echo "trial $trial: the saving process failed: $(head -c 300 "$work/err")"
        failed=$((failed + 1))
        continue
    fi
    last=$(sed -n 's/^saved \([0-9]*\)$/\1/p' "$work/out" | tail -n 1)
    if [ -n "$last" ]; then
        saves=$((saves + last - generation))
    else
        last=$generation
    fi
    # A kill between creating and renaming the temporary file leaves it behind; opening removes it.
    if compgen -G "$file.*.qntmp" >/dev/null; then
        strays=$((strays + 1))
    fi

    # "check" opens the file as the next start does, and fails when a temporary file survives that.
    if result=$("$driver" check "$file" "$last" "$notes"); then
        generation=${result#ok }
        passed=$((passed + 1))
    else
        echo "trial $trial: $result"
        case $result in *"temporary files left"*) survivors=$((survivors + 1)) ;; esac
        failed=$((failed + 1))
        generation=$last
    fi
done

echo "crash-during-save: $trials trials, $passed passed, $failed failed, $survivors stray temporaries" \
    "after the next start ($strays kills left one, removed at the next start), $saves saves completed," \
    "seconds: $(($(date +%s) - started))"
[ "$failed" -eq 0 ]
