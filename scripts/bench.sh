#!/usr/bin/env bash
# Builds in release mode and prints the notes-file, note-list, search and spell-check figures.
# The benchmarks are built only here, in a folder of their own (build-bench/).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/deps.sh

quill_install_deps build run
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DQUILL_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-bench --target quill_bench quill_bench_search quill_bench_spell >/dev/null
QT_QPA_PLATFORM=offscreen build-bench/bin/quill_bench "${1:-5}"
QT_QPA_PLATFORM=offscreen build-bench/bin/quill_bench_search
QT_QPA_PLATFORM=offscreen build-bench/bin/quill_bench_spell
