# shellcheck shell=bash
# The one list of Debian packages that Quillnote needs to build, run and test.
# Sourced by scripts/run.sh and scripts/test.sh; add new packages here and nowhere else.

QUILL_PACKAGES=(
    # build
    build-essential cmake ninja-build pkg-config clang-format
    # libraries
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins libgl1-mesa-dev
    libpugixml-dev libicu-dev libjpeg-dev libhunspell-dev
    # spelling: the three ispell-protocol programs and their English, German, French and Spanish
    # dictionaries (hunspell's also serve our speller library)
    ispell aspell hunspell
    iamerican ibritish ingerman ifrench-gut ispanish
    aspell-en aspell-de aspell-fr aspell-es
    hunspell-en-us hunspell-en-gb hunspell-de-de hunspell-fr hunspell-es
    # run time: xdg-email opens the mail program's compose window
    xdg-utils
    # a display for the smoke test and for running without a desktop
    xvfb xauth openbox trayer x11-utils xdotool imagemagick fonts-dejavu-core adwaita-icon-theme
    # tests: PDF read-back (ghostscript keeps no-break spaces), tracing, running as an unprivileged
    # user (setpriv)
    poppler-utils ghostscript strace util-linux iproute2
    # desktop-file-validate; python3 serves the update check's test server; ccache speeds up rebuilds
    desktop-file-utils python3 ccache
    # packaging: metainfo validation, the Debian package's tools; mkfs.ext4 for the disk-full suite
    appstream dpkg-dev file e2fsprogs
    # fuzzing: clang with libFuzzer and the sanitizer runtimes
    clang libclang-rt-14-dev
)

# Prints the packages of QUILL_PACKAGES that are not installed yet.
quill_missing_packages() {
    local pkg status
    for pkg in "${QUILL_PACKAGES[@]}"; do
        status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
        if [ "$status" != "installed" ]; then
            printf '%s\n' "$pkg"
        fi
    done
}

# Installs whatever is missing. Quick when everything is there already.
quill_install_deps() {
    local missing
    mapfile -t missing < <(quill_missing_packages)
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
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

# Configures (once) and builds into the folder named by $1.
quill_build() {
    local dir=$1
    if [ -f "$dir/CMakeCache.txt" ]; then
        # Keep whatever generator the folder was made with.
        cmake -S . -B "$dir"
    else
        cmake -S . -B "$dir" -G Ninja
    fi
    cmake --build "$dir"
}
