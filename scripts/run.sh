#!/usr/bin/env bash
# Installs what building and running need, builds Quillnote and starts it.
# Without a display ($DISPLAY unset) it runs on a virtual one (Xvfb) with openbox.
# Arguments are passed to the program. QUILL_BUILD_DIR picks another build folder (default: build).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/deps.sh

build_dir=${QUILL_BUILD_DIR:-build}
quill_install_deps build run
quill_build "$build_dir"

program="$build_dir/bin/quillnote"
if [ -n "${DISPLAY:-}" ]; then
    exec "$program" "$@"
fi
echo "No display: running on a virtual screen (xvfb-run)."
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" \
    bash -c 'openbox --sm-disable >/dev/null 2>&1 & exec "$@"' quillnote-session "$program" "$@"
