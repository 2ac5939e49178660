#!/bin/bash
# Runs the timed cases of misbehaving spelling programs and version servers and prints their figures.
#
#   hostile_neighbours.sh <tst_hostileNeighbours> [--long]     (one form: each case is bounded by
#                                                               its own time-out)
set -u

binary=${1:?usage: hostile_neighbours.sh <tst_hostileNeighbours> [--long]}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
out=$(mktemp "${TMPDIR:-/tmp}/hostile_neighbours.XXXXXX") || exit 1
trap 'rm -f "$out"' EXIT

"$binary" >"$out" 2>&1
status=$?
grep '^hostile-neighbours: ' "$out"
passed=$(grep -c '^PASS   : .*([^)]' "$out")
failed=$(grep -c '^FAIL!  : .*([^)]' "$out")
known=$(grep -c '^XFAIL  : .*([^)]' "$out")
[ "$status" -ne 0 ] && grep -A3 '^FAIL!  : ' "$out"
grep -A1 '^XFAIL  : ' "$out" | sed -n 's/^XFAIL  : [^(]*(\([^)]*\)) \(.*\)$/hostile-neighbours: known fault, \1: \2/p'
echo "hostile-neighbours: $((passed + failed)) cases, $((passed - known)) passed, $known known faults, $failed failed"
exit $status
