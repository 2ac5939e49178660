# shellcheck shell=bash
# The one list of Debian packages that Quillnote needs to build, run, test and package.
# Sourced by scripts/run.sh, scripts/test.sh, scripts/bench.sh and packaging/build-deb.sh; add new
# packages here and nowhere else.

# Four groups: what building needs, what running needs (the program and scripts/run.sh), what the
# tests need beyond both, and what making the Debian package needs.
QUILL_PACKAGES_BUILD=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    libpugixml-dev libicu-dev libjpeg-dev libhunspell-dev
    # the start-up benchmark's probe watches the X server
    libxcb1-dev
    # speeds up rebuilds; the build works without it
    ccache
)
QUILL_PACKAGES_RUN=(
    libqt6svg6 qt6-qpa-plugins
    # spelling: the three ispell-protocol programs and their English, German, French and Spanish
    # dictionaries (hunspell's also serve our speller library)
    ispell aspell hunspell
    iamerican ibritish ingerman ifrench-gut ispanish
    aspell-en aspell-de aspell-fr aspell-es
    hunspell-en-us hunspell-en-gb hunspell-de-de hunspell-fr hunspell-es
    # xdg-email opens the mail program's compose window
    xdg-utils
    # a virtual screen for running without a desktop
    xvfb xauth openbox fonts-dejavu-core adwaita-icon-theme
    # Qt's Wayland plugin, so that a Wayland session runs the program natively
    qt6-wayland
)
QUILL_PACKAGES_TEST=(
    clang-format shellcheck
    # the smoke test, the tray check and the manual's pictures drive a virtual desktop
    trayer x11-utils xdotool imagemagick
    # the Wayland check runs a real compositor; the StatusNotifierItem tray check runs its own watcher
    # and host on a private session bus
    weston dbus python3-dbus python3-gi
    # PDF read-back (ghostscript keeps no-break spaces), tracing, running as an unprivileged user
    # (setpriv)
    poppler-utils ghostscript strace util-linux iproute2
    # desktop-file-validate and metainfo validation; python3 serves the update check's test server;
    # mkfs.ext4 for the disk-full suite
    desktop-file-utils appstream python3 e2fsprogs
    # xmllint (libxml2) and python3's expat read every notes file the store writes in the interop test
    libxml2-utils
    # fuzzing: clang with libFuzzer and the sanitizer runtimes
    clang libclang-rt-14-dev
)
QUILL_PACKAGES_PACKAGING=(
    # dpkg-shlibdeps works out the library dependencies; it needs file
    dpkg-dev file
)

# Prints the packages of the named groups (build, run, test, packaging), one a line.
quill_packages() {
    local group
    if [ $# -eq 0 ]; then
        echo "quill_packages: name the groups (build, run, test, packaging)" >&2
        return 1
    fi
    for group in "$@"; do
        case $group in
        build) printf '%s\n' "${QUILL_PACKAGES_BUILD[@]}" ;;
        run) printf '%s\n' "${QUILL_PACKAGES_RUN[@]}" ;;
        test) printf '%s\n' "${QUILL_PACKAGES_TEST[@]}" ;;
        packaging) printf '%s\n' "${QUILL_PACKAGES_PACKAGING[@]}" ;;
        *)
            echo "quill_packages: unknown group '$group' (build, run, test, packaging)" >&2
            return 1
            ;;
        esac
    done
}

# Prints the packages of the named groups that are not installed yet.
quill_missing_packages() {
    local list pkg status
    list=$(quill_packages "$@") || return 1
    while read -r pkg; do
        status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
        if [ "$status" != "installed" ]; then
            printf '%s\n' "$pkg"
        fi
    done < <(sort -u <<<"$list")
}

# Installs whatever the named groups lack, e.g. quill_install_deps build run. Quick when everything
# is there already.
quill_install_deps() {
    local list
    list=$(quill_missing_packages "$@") || return 1
    if [ -z "$list" ]; then
        return 0
    fi
    local -a missing
    mapfile -t missing <<<"$list"
    echo "Installing: ${missing[*]}"
    local -a as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "error: these packages are missing and sudo is not available: ${missing[*]}" >&2
            echo "Install them as root with apt-get, then run this script again." >&2
            return 1
        fi
        as_root=(sudo)
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y "${missing[@]}"
}

# Configures and builds into the folder named by $1; further arguments go to the configure step
# (e.g. -DCMAKE_COMPILE_WARNING_AS_ERROR=ON), which runs every time so that they reach a folder
# configured before.
quill_build() {
    local dir=$1
    shift
    if [ -f "$dir/CMakeCache.txt" ]; then
        # Keep whatever generator the folder was made with.
        cmake -S . -B "$dir" "$@"
    else
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir"
}
