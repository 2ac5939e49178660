#!/usr/bin/env bash
# Builds in release mode and prints the notes-file, note-list, search and spell-check figures.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench --target quill_bench quill_bench_search quill_bench_spell >/dev/null
QT_QPA_PLATFORM=offscreen build-bench/bin/quill_bench "${1:-5}"
QT_QPA_PLATFORM=offscreen build-bench/bin/quill_bench_search
QT_QPA_PLATFORM=offscreen build-bench/bin/quill_bench_spell
