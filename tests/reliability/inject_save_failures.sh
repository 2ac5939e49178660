#!/bin/bash
# Fails each system call of one real save in turn (strace fault injection) and checks that the old
# notes file stays byte-identical, that the failure reaches the error log naming the file, that no
# temporary file is left, and that the process goes on (the same save succeeds on a second try).
#
#   inject_save_failures.sh <quill_save_loop> [--long]     (or QUILL_RELIABILITY_LONG=1)
#
# The driver stops itself just before saving; strace attaches then, so its call counters (kept per
# thread) count only the save's calls. A dry run counts the calls per thread; the calls on the folder
# (flushing it after the rename) come after the writer thread's calls of the same kind and are
# reached through a second pass limited to the folder's path (strace -P).
set -u

driver=${1:?usage: inject_save_failures.sh <quill_save_loop> [--long]}
long=${QUILL_RELIABILITY_LONG:-0}
[ "${2:-}" = --long ] && long=1
if ! command -v strace >/dev/null; then
    echo "injected-failures: skipped: strace is not installed"
    exit 77
fi

if [ "$long" = 1 ]; then
    notes=20000 # several chunks, so several writes
    errors="EIO ENOSPC EDQUOT EROFS EPERM"
else
    notes=2000
    errors="EIO ENOSPC"
fi
syscalls="openat write fsync fdatasync rename renameat renameat2 close"

work=$(mktemp -d "${TMPDIR:-/tmp}/inject_save_failures.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
dir=$work/notes
mkdir "$dir"
file=$dir/quill.xml
"$driver" create "$work/base.xml" "$notes" >/dev/null || { echo "cannot create the notes file"; exit 1; }
first=$("$driver" check "$work/base.xml" 0 "$notes") || { echo "base file: $first"; exit 1; }
first=${first#ok }

# Runs one save under strace with the given arguments; leaves out, err, trace and log in $work.
traced_save() {
    cp "$work/base.xml" "$file"
    rm -f "$work/log" "$work/trace"
    "$driver" save-once "$file" "$work/log" pause >"$work/out" 2>"$work/err" &
    local pid=$! i
    for ((i = 0; i < 1000; i++)); do
        [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" = T ] && break
        sleep 0.01
    done
    strace -f -qq -p "$pid" -o "$work/trace" "$@" 2>"$work/strace.err" &
    local tracer=$!
    for ((i = 0; i < 1000; i++)); do
        grep -q 'TracerPid:[[:space:]]*[1-9]' "/proc/$pid/status" 2>/dev/null && break
        sleep 0.01
    done
    kill -CONT "$pid"
    wait "$pid"
    local rc=$?
    wait "$tracer"
    return $rc
}

# Calls of one kind per thread up to the end-of-save marker; prints the largest count. With "folder",
# only the calls on the notes folder itself (strace -y shows each descriptor's path).
count_calls() {
    local name=$1 only=${2:-}
    awk -v name="$name" -v only="$only" -v dir="$dir" '
        $2 ~ "^getppid\\(" { exit }
        $2 ~ "^" name "\\(" {
            if (only != "" && index($0, "<" dir ">") == 0 && index($0, "\"" dir "\"") == 0)
                next
            n[$1]++
        }
        END { m = 0; for (t in n) if (n[t] > m) m = n[t]; print m }' "$work/trace"
}

all="${syscalls// /,},getppid"
traced_save -y -e trace="$all" || { echo "the dry run failed: $(cat "$work/err")"; exit 1; }
grep -q "^saved" "$work/out" || { echo "the dry run did not save: $(cat "$work/out")"; exit 1; }
declare -A counts folderCounts
for sc in $syscalls; do
    counts[$sc]=$(count_calls "$sc")
    folderCounts[$sc]=$(count_calls "$sc" folder)
done

# One injected run: prints nothing and returns 0 when it passed, else prints why.
check_run() {
    local what=$1
    shift
    if ! traced_save "$@"; then
        echo "$what: the process ended with an error: $(head -c 300 "$work/err")"
        return 1
    fi
    # Only failures up to the end-of-save marker are the save's: the driver's own look for temporary
    # files afterwards counts towards the same thread's calls when the save made fewer of them.
    local injected
    injected=$(awk '$2 ~ "^getppid\\(" { exit } /\(INJECTED\)/' "$work/trace")
    if [ -z "$injected" ]; then
        # The writer thread writes in as many pieces as it finds ready, so counts vary a little.
        return 2
    fi
    if grep -q '^FAIL' "$work/out"; then
        echo "$what: $(grep '^FAIL' "$work/out" | head -n 3)"
        return 1
    fi
    if grep -v '^message: ' "$work/err" | grep -q .; then
        echo "$what: unexpected output: $(head -c 300 "$work/err")"
        return 1
    fi
    if compgen -G "$file.*.qntmp" >/dev/null; then
        echo "$what: a temporary file was left"
        return 1
    fi
    local outcome
    outcome=$(head -n 1 "$work/out")
    [ -n "${VERBOSE:-}" ] && echo "$what: $(tr '\n' ' ' <"$work/out")"
    case $outcome in
    failed*)
        # The driver compared the file before its second try. That try must work, unless it ran in a
        # new writer thread whose own call counter reached the same number (a second injection).
        if ! grep -q '^retried' "$work/out" && [ "$(grep -c INJECTED "$work/trace")" -lt 2 ]; then
            echo "$what: the save failed and a second try failed too"
            return 1
        fi
        ;;
    not-flushed*)
        # The file was replaced but its folder not flushed: it must hold the new save, whole.
        local result
        if ! result=$("$driver" check "$file" "$first" "$notes") || [ "$result" != "ok $((first + 1))" ]; then
            echo "$what: after a replace without flush the file holds: $result"
            return 1
        fi
        ;;
    saved*)
        # Only closing the folder after it was flushed may fail unnoticed, the calls about the lock
        # file, which a save takes when it can (with what QLockFile reads to name this machine),
        # reading the old file to see whether another program changed it (unread, it is read again),
        # and the calls that keep and prune the earlier copies in backups/, which never stop a save.
        if echo "$injected" | grep -vE "close\\([0-9]+<($dir|$file)>\\)" |
            grep -vE "\"$file\", O_RDONLY" | grep -vF "$dir/backups" |
            grep -qvE 'quill\.xml\.lock|/proc/sys/kernel/random/boot_id|machine-id'; then
            echo "$what: the save reported success although a call failed: $injected"
            return 1
        fi
        return 0
        ;;
    *)
        echo "$what: no outcome: $(head -c 300 "$work/out")"
        return 1
        ;;
    esac
    # Call counters are kept per thread: the same number may also fail the main thread's writing of
    # the log record after the save, and the program then tells the user on standard error instead.
    if ! grep -qF "Saving \"$file\"" "$work/log" 2>/dev/null &&
        ! grep -qF "unable to be written to the log file" "$work/err"; then
        echo "$what: neither the error log nor a message names the file"
        return 1
    fi
    return 0
}

total_failed=0
started=$(date +%s)
for sc in $syscalls; do
    calls=$((counts[$sc]))
    folder=$((folderCounts[$sc]))
    if [ $((calls + folder)) -eq 0 ]; then
        echo "injected-failures: $sc: not called by a save"
        continue
    fi
    runs=0
    passed=0
    unreached=0
    for err in $errors; do
        for ((n = 1; n <= calls; n++)); do
            runs=$((runs + 1))
            check_run "$sc #$n $err" -y -e trace="$all" -e inject="$sc:error=$err:when=$n"
            case $? in
            0) passed=$((passed + 1)) ;;
            2) unreached=$((unreached + 1)) ;;
            esac
        done
        for ((n = 1; n <= folder; n++)); do
            runs=$((runs + 1))
            check_run "$sc #$n on the folder $err" -y -P "$dir" -e trace="$all" -e inject="$sc:error=$err:when=$n"
            case $? in
            0) passed=$((passed + 1)) ;;
            2) unreached=$((unreached + 1)) ;;
            esac
        done
    done
    failed=$((runs - passed - unreached))
    total_failed=$((total_failed + failed))
    note=
    [ "$unreached" -gt 0 ] && note=", $unreached not reached (the save made fewer calls that time)"
    echo "injected-failures: $sc: $calls calls + $folder on the folder, $runs runs ($errors), $passed passed," \
        "$failed failed$note"
done
echo "injected-failures: $notes notes, seconds: $(($(date +%s) - started))"
[ "$total_failed" -eq 0 ]
