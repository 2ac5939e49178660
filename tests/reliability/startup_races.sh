#!/bin/bash
# Starts the real program many times at once: exactly one copy must keep running each round, the
# others must hand over to it and end. Then kills the running copy with SIGKILL and measures how
# long a new start takes to become the running copy: it must take over the dead copy's lock at once,
# not after some time-out, so it may take little longer than the plain start before it (twice that,
# and two seconds more, on a machine too busy to start a program in the same time twice).
#
#   startup_races.sh <quillnote> [--long]     (or QUILL_RELIABILITY_LONG=1)
#
# The program runs offscreen from a private copy of its folder, with its own HOME and XDG folders.
set -u

program=${1:?usage: startup_races.sh <quillnote> [--long]}
long=${QUILL_RELIABILITY_LONG:-0}
[ "${2:-}" = --long ] && long=1
if [ "$long" = 1 ]; then
    rounds=100
    kills=50
else
    rounds=20
    kills=10
fi
starts=8

work=$(mktemp -d "${TMPDIR:-/tmp}/startup_races.XXXXXX") || exit 1
declare -a pids=()
trap 'for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/bin" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$program" "$work/bin/quillnote"
folder=$(dirname "$program")
[ -f "$folder/qnReadMe.txt" ] && cp "$folder/qnReadMe.txt" "$work/bin/"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache QT_QPA_PLATFORM=offscreen
exe=$work/bin/quillnote

alive() { kill -0 "$1" 2>/dev/null; }

# Milliseconds since the epoch.
now_ms() { date +%s%3N; }

# Waits up to $2 ms for the lock file to name pid $1.
wait_registered() {
    local pid=$1 limit=$(($(now_ms) + $2)) lock
    while [ "$(now_ms)" -lt "$limit" ]; do
        for lock in "$work/run"/quillnote-*.lock; do
            [ -f "$lock" ] && [ "$(head -n 1 "$lock" 2>/dev/null)" = "$pid" ] && return 0
        done
        alive "$pid" || return 1
        sleep 0.005
    done
    return 1
}

failed=0
bad_rounds=0
refused_ok=0
refused_bad=0
started=$(date +%s)
for ((round = 1; round <= rounds; round++)); do
    pids=()
    for ((i = 0; i < starts; i++)); do
        "$exe" >"$work/out.$i" 2>&1 &
        pids+=($!)
    done
    # The refused copies end once the running copy acknowledged them (within 5 s at most).
    limit=$(($(now_ms) + 10000))
    while [ "$(now_ms)" -lt "$limit" ]; do
        running=0
        for pid in "${pids[@]}"; do alive "$pid" && running=$((running + 1)); done
        [ "$running" -le 1 ] && break
        sleep 0.02
    done
    sleep 0.3 # a late copy that wrongly stays up would show now
    survivors=()
    for pid in "${pids[@]}"; do
        if alive "$pid"; then
            survivors+=("$pid")
        else
            if wait "$pid"; then refused_ok=$((refused_ok + 1)); else refused_bad=$((refused_bad + 1)); fi
        fi
    done
    if [ "${#survivors[@]}" -ne 1 ]; then
        echo "round $round: ${#survivors[@]} copies running"
        bad_rounds=$((bad_rounds + 1))
    fi
    for pid in "${survivors[@]}"; do
        kill -TERM "$pid"
        wait "$pid"
    done
done
[ "$bad_rounds" -gt 0 ] && failed=1
[ "$refused_bad" -gt 0 ] && failed=1
echo "startup-races: $rounds rounds of $starts simultaneous starts, $((rounds - bad_rounds)) with exactly one" \
    "running copy, $bad_rounds with another number; $refused_ok refused starts handed over," \
    "$refused_bad ended with an error; seconds: $(($(date +%s) - started))"

# Recovery after SIGKILL of the running copy.
worst=0
total=0
slow=0
for ((k = 1; k <= kills; k++)); do
    t0=$(now_ms)
    "$exe" >"$work/out.first" 2>&1 &
    first=$!
    pids=("$first")
    if ! wait_registered "$first" 10000; then
        echo "kill $k: the first copy did not start"
        failed=1
        break
    fi
    plain=$(($(now_ms) - t0))
    kill -KILL "$first"
    wait "$first" 2>/dev/null
    t0=$(now_ms)
    "$exe" >"$work/out.next" 2>&1 &
    next=$!
    pids=("$next")
    if ! wait_registered "$next" 10000; then
        echo "kill $k: no new copy took over after the running copy was killed"
        failed=1
        break
    fi
    ms=$(($(now_ms) - t0))
    total=$((total + ms))
    [ "$ms" -gt "$worst" ] && worst=$ms
    if [ "$ms" -gt $((2 * plain + 2000)) ]; then
        echo "kill $k: taking over took $ms ms, the plain start before it $plain ms"
        slow=$((slow + 1))
    fi
    # The new copy is the running copy: another start hands over to it and ends.
    if ! timeout 10 "$exe" >"$work/out.third" 2>&1; then
        echo "kill $k: a start after the take-over did not hand over to the new copy"
        failed=1
    fi
    if ! alive "$next"; then
        echo "kill $k: the new copy ended"
        failed=1
    fi
    kill -TERM "$next"
    wait "$next"
done
[ "$slow" -gt 0 ] && failed=1
echo "startup-races: $kills kills with SIGKILL, recovery (start to running copy) mean $((total / (kills > 0 ? kills : 1))) ms," \
    "worst $worst ms, $slow slower than twice a plain start and two seconds"
exit $failed
