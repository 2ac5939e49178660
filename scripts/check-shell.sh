#!/usr/bin/env bash
# Runs shellcheck over every shell script in the repository: the .sh files under scripts/, tests/,
# packaging/ and .ci/, and .ci/run. Sourced files are followed (-x) from the repository root.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mapfile -d '' files < <(find scripts tests packaging .ci -type f \( -name '*.sh' -o -path .ci/run \) -print0 2>/dev/null | sort -z)
if [ "${#files[@]}" -eq 0 ]; then
    echo "shellcheck: no scripts found" >&2
    exit 1
fi
if shellcheck -x "${files[@]}"; then
    echo "shellcheck: ${#files[@]} scripts ok"
else
    echo "shellcheck: findings above, in ${#files[@]} scripts checked"
    exit 1
fi
