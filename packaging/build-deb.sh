#!/usr/bin/env bash
# Builds the Debian package from a finished build and shows what is in it.
# Usage: packaging/build-deb.sh [build-dir]   (default: build, or $QUILL_BUILD_DIR)
# Installs what is missing first (dpkg-shlibdeps works out the library dependencies).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/deps.sh

build=${1:-${QUILL_BUILD_DIR:-build}}
[ -f "$build/CPackConfig.cmake" ] || {
    echo "build-deb: $build is not a configured build folder (run scripts/run.sh or cmake first)" >&2
    exit 1
}
quill_install_deps build packaging
cmake --build "$build" --target quillnote quillcsapi
(cd "$build" && cpack -G DEB)
# The newest package, should an older version's lie beside it.
deb=$(find "$build" -maxdepth 1 -name 'quillnote_*.deb' -printf '%T@ %p\n' | sort -rn | head -n 1 | cut -d' ' -f2-)
echo "== $deb"
dpkg-deb -I "$deb"
echo "== contents"
dpkg-deb -c "$deb"
