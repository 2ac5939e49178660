#!/usr/bin/env bash
# Fuzzes the program's parsers with libFuzzer under AddressSanitizer and UBSan, each target for the
# given time over its committed seeds (tests/fuzz/corpus/<target>; the notes loader also the notes
# files in tests/support/fixtures) and its regressions.
#
#   tests/reliability/fuzz.sh [seconds-per-target]     (60 by default; 1800 for a long run by hand)
#
# QUILL_FUZZ_BUILD_DIR  build folder (build-fuzz/ in the repository by default), configured with clang++
# QUILL_FUZZ_TARGETS    targets to run, blank-separated (all six by default)
# QUILL_WARNINGS_AS_ERRORS  ON builds with warnings as errors (scripts/test.sh sets it), OFF by default
#
# New interesting inputs go to <build>/fuzz-corpus/<target> (kept between runs, never committed by
# this script); every failing input to <build>/fuzz-artifacts/<target>. One figures line per target,
# then "fuzz total: N crashes"; the exit status is non-zero when anything was found.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

seconds=${1:-60}
build=${QUILL_FUZZ_BUILD_DIR:-build-fuzz}
targets=${QUILL_FUZZ_TARGETS:-notes_loader version_file ispell_answer ispell_ini icmp_packet settings}

# Configured every time, so that the warnings setting reaches a folder made before.
configure=(-DCMAKE_COMPILE_WARNING_AS_ERROR="${QUILL_WARNINGS_AS_ERRORS:-OFF}")
if [[ ! -f $build/CMakeCache.txt ]]; then
    configure+=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUILL_FUZZ=ON)
fi
cmake -S . -B "$build" "${configure[@]}" >/dev/null
if ! cmake --build "$build" -- -j2 >"$build/build.log" 2>&1; then
    tail -n 40 "$build/build.log"
    echo "fuzz: the fuzz targets did not build (log: $build/build.log)"
    exit 1
fi

# Qt is built without frame pointers: allocation stacks through it come out different every time,
# and AddressSanitizer keeps each one for good, so memory would grow with every input (over 1 GiB in
# a few minutes). Allocation stacks are left out while fuzzing; replay a finding without this for them.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:malloc_context_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Findings of this run only: older ones stay in the folder for inspection but are not counted again.
count() { find "$artifacts" -maxdepth 1 -type f -name "$1" -newer "$marker" | wc -l; }

total=0
for target in $targets; do
    corpus=$build/fuzz-corpus/$target
    artifacts=$build/fuzz-artifacts/$target
    log=$build/fuzz-logs/$target.log
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    inputs=("$corpus" "tests/fuzz/corpus/$target")
    [[ $target = notes_loader ]] && inputs+=(tests/support/fixtures)
    [[ -d tests/fuzz/regressions/$target ]] && inputs+=("tests/fuzz/regressions/$target")
    marker=$build/fuzz-logs/$target.started
    touch "$marker"
    started=$SECONDS
    # The first folder receives the new inputs; the committed ones are only read.
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${inputs[@]}" >"$log" 2>&1 || true
    elapsed=$((SECONDS - started))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    size=$(grep -o 'corp: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$' || true)
    crashes=$(count 'crash-*')
    leaks=$(count 'leak-*')
    timeouts=$(count 'timeout-*')
    ooms=$(count 'oom-*')
    found=$((crashes + leaks + timeouts + ooms))
    # A target that ended without its closing figures and left no input behind failed in another way.
    if [[ -z $runs ]] && ((found == 0)); then
        crashes=1
        found=1
    fi
    echo "fuzz $target: ${runs:-0} runs in $elapsed s, ${speed:-0} exec/s, corpus ${size:-0}," \
        "$crashes crashes, $leaks leaks, $timeouts timeouts, $ooms out of memory"
    if ((found > 0)); then
        echo "  new findings in $artifacts (log: $log); minimise one with:"
        echo "  $build/bin/fuzz_$target -minimize_crash=1 -runs=20000 -exact_artifact_path=min <file>"
        echo "  and replay it with allocation stacks (ASAN_OPTIONS=fast_unwind_on_malloc=0) to see where."
    fi
    total=$((total + found))
done
echo "fuzz total: $total crashes"
((total == 0))
