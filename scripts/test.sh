#!/usr/bin/env bash
# Installs what is missing, builds Quillnote with warnings as errors, then checks it: source
# formatting, the shell scripts, every CTest test, the smoke test that starts the real program on a
# virtual display, the tray checks (XEmbed and StatusNotifierItem), the Wayland check and the fuzzers.
# Exits non-zero when anything fails. QUILL_BUILD_DIR picks another build folder (default: build).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/deps.sh

build_dir=${QUILL_BUILD_DIR:-build}
quill_install_deps build run test packaging

passed=0
failed=0
failures=()
count() { # count NAME RC
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$1")
    fi
}

echo "== format"
rc=0
bash scripts/check-format.sh || rc=$?
count "format check" "$rc"

echo "== layers"
rc=0
python3 scripts/check-layers.py || rc=$?
count "layer check" "$rc"

echo "== shellcheck"
rc=0
bash scripts/check-shell.sh || rc=$?
count "shellcheck" "$rc"

echo "== build"
# Given at every configure, so that it reaches a build folder configured before without it.
if ! quill_build "$build_dir" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON; then
    echo "test: the build failed; nothing was tested"
    echo "total: $passed passed, $((failed + 1)) failed"
    exit 1
fi

echo "== ctest"
ctest_log="$build_dir/ctest-last.log"
rc=0
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j2 2>&1 | tee "$ctest_log" || rc=$?
# "NN% tests passed, F tests failed out of T"
summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$ctest_log" | tail -n 1 || true)
if [ -n "$summary" ]; then
    ctest_failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$summary")
    ctest_total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
    passed=$((passed + ctest_total - ctest_failed))
    failed=$((failed + ctest_failed))
    if [ "$ctest_failed" -ne 0 ] || [ "$rc" -ne 0 ]; then
        failures+=("ctest")
    fi
    if [ "$ctest_failed" -eq 0 ] && [ "$rc" -ne 0 ]; then
        failed=$((failed + 1))
    fi
else
    count "ctest (no summary)" 1
fi

echo "== smoke"
rc=0
bash tests/smoke/smoke.sh "$build_dir" || rc=$?
count "smoke test" "$rc"

echo "== race"
rc=0
bash tests/smoke/race.sh "$build_dir" || rc=$?
count "two copies on one notes file" "$rc"

echo "== tray"
rc=0
bash tests/smoke/tray.sh "$build_dir" || rc=$?
count "tray check" "$rc"

echo "== tray (StatusNotifierItem)"
rc=0
bash tests/smoke/sni.sh "$build_dir" || rc=$?
count "StatusNotifierItem tray check" "$rc"

echo "== wayland"
rc=0
bash tests/smoke/wayland.sh "$build_dir" || rc=$?
count "Wayland check" "$rc"

echo "== fuzz"
# libFuzzer under AddressSanitizer and UBSan, a minute per parser (tests/reliability/fuzz.sh 1800 by hand).
rc=0
QUILL_FUZZ_BUILD_DIR="$build_dir-fuzz" QUILL_WARNINGS_AS_ERRORS=ON bash tests/reliability/fuzz.sh 60 || rc=$?
count "fuzzing" "$rc"

if [ "${#failures[@]}" -ne 0 ]; then
    echo "test: failed: ${failures[*]}"
fi
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
