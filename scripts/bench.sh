#!/usr/bin/env bash
# Builds in release mode and prints the start-up figures (the real program against a bare floor
# program, from exec until the window showing the notes is mapped, with peak memory and exit time),
# then the notes-file, note-list, search and spell-check figures.
# The benchmarks are built only here, in a folder of their own (build-bench/, or
# $QUILL_BENCH_BUILD_DIR).
#
# Usage: scripts/bench.sh [RUNS]    (default 5; $QUILL_BENCH_SIZES overrides "1000 10000 100000",
#                                    $QUILL_BENCH_ONLY=startup skips the in-process benchmarks,
#                                    $QUILL_BENCH_ONLY=sort: of the in-process ones only the first sorts,
#                                    $QUILL_BENCH_NO_BUILD=1 runs what the folder holds)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/deps.sh
# shellcheck source=tests/support/wait_for.sh
source tests/support/wait_for.sh
# shellcheck source=tests/support/desktop.sh
source tests/support/desktop.sh

runs=${1:-5}
sizes=${QUILL_BENCH_SIZES:-1000 10000 100000}
build=${QUILL_BENCH_BUILD_DIR:-build-bench}

quill_install_deps build run test
# A folder named in $QUILL_BENCH_BUILD_DIR is taken as configured (with -DQUILL_BUILD_BENCHMARKS=ON).
[ -n "${QUILL_BENCH_BUILD_DIR:-}" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DQUILL_BUILD_BENCHMARKS=ON >/dev/null
[ -n "${QUILL_BENCH_NO_BUILD:-}" ] ||
    cmake --build "$build" --target quillnote quill_floor quill_startup_probe quill_bench quill_bench_search \
    quill_bench_spell >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/quill-bench.XXXXXX")
trap 'desktop_stop; rm -rf "$work"' EXIT
desktop_start "$work" || { echo "bench: $desktop_error" >&2; exit 1; }
program="$work/program"
desktop_copy_program "$build" "$program"

# The same notes for the same count, kept between runs of this script.
notes_dir="$build/bench-notes"
mkdir -p "$notes_dir"
for n in $sizes; do
    [ -s "$notes_dir/notes-$n.xml" ] || python3 bench/make_notes.py "$n" "$notes_dir/notes-$n.xml"
done

# Each start gets fresh HOME and XDG folders, so settings from one run never reach the next.
fresh_env() {
    local run="$work/run"
    rm -rf "$run"
    mkdir -p "$run/home" "$run/config" "$run/data" "$run/cache" "$run/runtime"
    chmod 700 "$run/runtime"
    run_env=(env HOME="$run/home" XDG_CONFIG_HOME="$run/config" XDG_DATA_HOME="$run/data"
        XDG_CACHE_HOME="$run/cache" XDG_RUNTIME_DIR="$run/runtime" QUILLNOTE_NO_SPLASH=1)
}

probe="$build/bin/quill_startup_probe"
start_quillnote() {
    fresh_env
    cp "$notes_dir/notes-$1.xml" "$program/quill.xml"
    "${run_env[@]}" "$probe" Quillnote "$program/quillnote" 2>>"$work/app.log"
}
start_floor() {
    fresh_env
    "${run_env[@]}" "$probe" Floor "$build/bin/quill_floor" "$notes_dir/notes-$1.xml" 2>>"$work/app.log"
}

results="$work/results"
: >"$results"
for n in $sizes; do
    for ((r = 0; r < runs; r++)); do
        # Interleaved, and each one first in turn, so that a busy moment hits both alike.
        order=(quillnote floor)
        ((r % 2)) && order=(floor quillnote)
        for who in "${order[@]}"; do
            line=$("start_$who" "$n") || { echo "bench: $who failed at $n notes" >&2; exit 1; }
            echo "$n $who $line" >>"$results"
        done
    done
done
if [ -s "$program/Quillnote.log" ]; then
    echo "bench: the program logged errors:" >&2
    cat "$program/Quillnote.log" >&2
    exit 1
fi

echo "Start-up: exec until the window showing the notes is mapped (Xvfb + openbox), $runs runs each"
python3 - "$results" <<'PY'
import re, statistics, sys
rows = {}
for line in open(sys.argv[1]):
    n, who, rest = line.split(maxsplit=2)
    values = dict(re.findall(r"(\w+)=([\d.]+)", rest))
    rows.setdefault((int(n), who), []).append(values)
def stats(n, who, key, scale=1.0):
    v = [float(x[key]) * scale for x in rows[(n, who)]]
    return statistics.median(v), min(v), max(v)
print("  notes  what         quillnote median (min-max)    floor median (min-max)   ratio")
for n in sorted({k[0] for k in rows}):
    for label, key, scale, unit in (("start-up", "map_ms", 1, "ms"), ("peak RSS", "rss_kb", 1 / 1024, "MB")):
        q, f = stats(n, "quillnote", key, scale), stats(n, "floor", key, scale)
        print(f"{n:7d}  {label:9s} {q[0]:8.0f} {unit} ({q[1]:6.0f}-{q[2]:6.0f})  {f[0]:8.0f} {unit} ({f[1]:6.0f}-{f[2]:6.0f})  {q[0] / f[0]:5.2f}x")
    e = stats(n, "quillnote", "exit_ms")
    print(f"{n:7d}  exit      {e[0]:8.0f} ms ({e[1]:6.0f}-{e[2]:6.0f})")
PY

[ "${QUILL_BENCH_ONLY:-}" = startup ] && exit 0
QUILL_BENCH_SIZES="$sizes" QUILL_BENCH_NOTES_DIR="$notes_dir" QT_QPA_PLATFORM=offscreen "$build/bin/quill_bench" "$runs"
QT_QPA_PLATFORM=offscreen "$build/bin/quill_bench_search"
QT_QPA_PLATFORM=offscreen "$build/bin/quill_bench_spell"
