#!/usr/bin/env bash
# Runs every reliability suite, collects the figures each prints and rewrites their table in
# docs/reliability.md (the section of this form: quick or long; the other section is kept).
#
#   scripts/reliability.sh [--long] [--only suite,suite...]
#
# Suites: crash, injection, disk-full, permissions, neighbours, races, fuzz. The quick form is what CI
# runs; the long form takes hours (fuzzing alone half an hour per target). QUILL_BUILD_DIR picks the
# build folder (default: build). Exits non-zero when any suite failed.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1

form=quick
only=
while [ $# -gt 0 ]; do
    case $1 in
    --long) form=long ;;
    --only)
        only=${2:?--only needs a list of suites}
        shift
        ;;
    *)
        echo "usage: scripts/reliability.sh [--long] [--only suite,suite...]" >&2
        exit 64
        ;;
    esac
    shift
done
long_arg=()
[ "$form" = long ] && long_arg=(--long)

build=${QUILL_BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
fi
cmake --build "$build" --target quill_save_loop quillnote tst_hostileNeighbours >/dev/null || {
    echo "the build failed" >&2
    exit 1
}
bin=$build/bin

logs=$(mktemp -d "${TMPDIR:-/tmp}/reliability.XXXXXX") || exit 1
trap 'rm -rf "$logs"' EXIT
rows=$logs/rows
: >"$rows"
failed=0

wanted() { [ -z "$only" ] || [[ ",$only," == *",$1,"* ]]; }

# run NAME COMMAND...: runs one suite, shows its output, and adds its figure lines to the table.
run() {
    local name=$1
    shift
    wanted "$name" || return 0
    echo "== $name"
    local started rc result
    started=$(date +%s)
    "$@" 2>&1 | tee "$logs/$name.log"
    rc=${PIPESTATUS[0]}
    case $rc in
    0) result=passed ;;
    77) result=skipped ;;
    *)
        result="FAILED ($rc)"
        failed=1
        ;;
    esac
    local seconds=$(($(date +%s) - started)) figures
    figures=$(grep -E '^(crash-during-save|injected-failures|disk-full|permissions|hostile-neighbours|startup-races|fuzz [a-z_]+|fuzz total):' \
        "$logs/$name.log")
    [ -z "$figures" ] && figures="(no figures printed)"
    while IFS= read -r line; do
        # Pipes would split the table's cells.
        printf '| %s | %s | %s | %s |\n' "$name" "${line//|//}" "$result" "$seconds" >>"$rows.$name"
    done <<<"$figures"
}

suites=tests/reliability
run crash bash "$suites/kill_during_save.sh" "$bin/quill_save_loop" "${long_arg[@]}"
run injection bash "$suites/inject_save_failures.sh" "$bin/quill_save_loop" "${long_arg[@]}"
run disk-full bash "$suites/disk_full.sh" "$bin/quill_save_loop" "${long_arg[@]}"
run permissions bash "$suites/permissions.sh" "$bin/quill_save_loop" "${long_arg[@]}"
run neighbours bash "$suites/hostile_neighbours.sh" "$bin/tst_hostileNeighbours"
run races bash "$suites/startup_races.sh" "$bin/quillnote" "${long_arg[@]}"
if [ -f "$suites/fuzz.sh" ]; then
    if [ "$form" = long ]; then
        run fuzz bash "$suites/fuzz.sh" 1800
    else
        run fuzz bash "$suites/fuzz.sh"
    fi
fi

# The section of this form, between its markers; the rest of the file stays. With --only, the rows
# of the suites not run are kept from the last run.
doc=docs/reliability.md
section=$logs/section
for name in crash injection disk-full permissions neighbours races fuzz; do
    if [ -f "$rows.$name" ]; then
        cat "$rows.$name" >>"$rows"
    elif [ -f "$doc" ]; then
        awk -v form="$form" -v name="$name" '
            $0 == "<!-- " form ":begin -->" { inside = 1; next }
            $0 == "<!-- " form ":end -->" { inside = 0 }
            inside && index($0, "| " name " |") == 1' "$doc" >>"$rows"
    fi
done
{
    echo "<!-- $form:begin -->"
    echo "### ${form^} form"
    echo
    echo "Run on $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) processors, kernel $(uname -r)," \
        "by \`scripts/reliability.sh${long_arg[*]:+ ${long_arg[*]}}${only:+ --only $only}\`${only:+ (rows of the other suites are from an earlier run)}."
    echo
    echo "| Suite | Figures | Result | Seconds |"
    echo "|---|---|---|---|"
    cat "$rows"
    echo "<!-- $form:end -->"
} >"$section"

if [ ! -f "$doc" ]; then
    cat >"$doc" <<'EOF'
# Reliability figures

Each suite under `tests/reliability/` prints its figures and fails on any fault; `ctest -R
'tst_(killDuringSave|injectSaveFailures|diskFull|permissions|hostileNeighboursFigures|startupRaces)'`
runs the quick forms. This file is written by `scripts/reliability.sh [--long]`: do not edit the
tables by hand.

<!-- quick:begin -->
<!-- quick:end -->

<!-- long:begin -->
<!-- long:end -->
EOF
fi
awk -v form="$form" -v section="$section" '
    $0 == "<!-- " form ":begin -->" { while ((getline line < section) > 0) print line; skip = 1; next }
    $0 == "<!-- " form ":end -->" { skip = 0; next }
    !skip { print }' "$doc" >"$logs/doc" && cp "$logs/doc" "$doc"
echo "== figures written to $doc ($form form)"
exit $failed
