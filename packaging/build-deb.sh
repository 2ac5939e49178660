#!/usr/bin/env bash
# Builds the Debian package from a finished build and shows what is in it.
# Usage: packaging/build-deb.sh [build-dir]   (default: build, or $QUILL_BUILD_DIR)
# Needs dpkg-dev (dpkg-shlibdeps works out the library dependencies).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build=${1:-${QUILL_BUILD_DIR:-build}}
[ -f "$build/CPackConfig.cmake" ] || {
    echo "build-deb: $build is not a configured build folder (run scripts/run.sh or cmake first)" >&2
    exit 1
}
cmake --build "$build" --target quillnote quillcsapi
(cd "$build" && cpack -G DEB)
deb=$(ls -t "$build"/quillnote_*.deb | head -n 1)
echo "== $deb"
dpkg-deb -I "$deb"
echo "== contents"
dpkg-deb -c "$deb"
