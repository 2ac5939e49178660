#!/usr/bin/env bash
# Checks that every C++ source under src/, tests/ and bench/ follows .clang-format.
# With --fix, reformats those files in place instead.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

mapfile -d '' files < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null | sort -z)
if [ "${#files[@]}" -eq 0 ]; then
    echo "format: no sources found"
    exit 0
fi

if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    echo "format: reformatted ${#files[@]} files"
    exit 0
fi

bad=()
for f in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
        bad+=("$f")
    fi
done
if [ "${#bad[@]}" -ne 0 ]; then
    echo "format: ${#bad[@]} of ${#files[@]} files differ from .clang-format:"
    printf '  %s\n' "${bad[@]}"
    echo "Run scripts/check-format.sh --fix (or clang-format -i FILE) and commit the result."
    exit 1
fi
echo "format: ${#files[@]} files ok"
