#!/usr/bin/env bash
# Checks the installed program and the Debian package made from a finished build:
#   - `cmake --install` lays out lib/quillnote (program, speller library, read-me, help, about
#     picture, ispell descriptors), the relative bin/quillnote link, the launcher, the metainfo and
#     the icons, and installs no test or tool;
#   - the launcher and the metainfo pass desktop-file-validate and appstreamcli;
#   - the installed program, started through the link from a read-only install folder with its own
#     HOME and XDG folders, finds its files (the read-me note), keeps its notes in the XDG data
#     folder, ends with status 0 on SIGTERM and writes its settings;
#   - cpack builds the package, which holds the main files and depends on the libraries it links.
# Usage: check_install.sh <build-dir>. The last line reads `packaging: N checks passed, M failed`.
set -uo pipefail

build=$(cd "${1:?usage: check_install.sh <build-dir>}" && pwd)
id=example.tarrowin.Quillnote
passed=0
failed=0
pid=

check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok   $what"
    else
        failed=$((failed + 1))
        echo "FAIL $what"
    fi
}

finish() {
    echo "packaging: $passed checks passed, $failed failed"
    [ "$failed" -eq 0 ]
}

tmp=$(mktemp -d)
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    chmod -R u+w "$tmp" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

# --- Install ---------------------------------------------------------------------------------
prefix=$tmp/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    check "cmake --install succeeds" false
    finish
    exit
fi
check "cmake --install succeeds" true
touch "$tmp/installed.mark"

program=$prefix/lib/quillnote
for f in quillnote libquillcsapi.so qnReadMe.txt about.jpg Quillnote.html \
    ispell/hunspell-en_US/ispell.ini ispell/aspell-en_US/ispell.ini ispell/ispell-american/ispell.ini \
    ../../share/applications/$id.desktop ../../share/metainfo/$id.metainfo.xml \
    ../../share/icons/hicolor/scalable/apps/$id.svg; do
    check "installed: lib/quillnote/$f" test -s "$program/$f"
done
for size in 16 22 24 32 48 64 128 256; do
    check "installed: ${size}x$size icon of that size" \
        bash -c "file '$prefix/share/icons/hicolor/${size}x$size/apps/$id.png' | grep -q '$size x $size'"
done
# Every picture the manual shows sits beside it.
mapfile -t images < <(grep -o 'src="images/[^"]*"' "$program/Quillnote.html" | sed 's/src="//; s/"$//' | sort -u)
for image in "${images[@]}"; do
    check "installed: manual picture $image" test -s "$program/$image"
done
check "installed: program is executable" test -x "$program/quillnote"
check "installed: bin/quillnote is a relative link to the program" \
    test "$(readlink "$prefix/bin/quillnote")" = ../lib/quillnote/quillnote
check "installed: bin/quillnote resolves" test -x "$prefix/bin/quillnote"
strays=$(find "$prefix" \( -name 'tst_*' -o -name 'quill_*' -o -name '*asan*' -o -name '*.a' \) -print)
check "installed: no tests, tools or static libraries${strays:+ (found: $strays)}" test -z "$strays"
check "installed: nothing outside bin, lib/quillnote and share" \
    test "$(find "$prefix" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort | tr '\n' ' ')" = "bin lib share "

# --- Desktop integration files ---------------------------------------------------------------
check "launcher passes desktop-file-validate" \
    desktop-file-validate "$prefix/share/applications/$id.desktop"
check "launcher offers the Add Note action" \
    bash -c "grep -qx 'Actions=AddNote;' '$prefix/share/applications/$id.desktop' &&
        grep -qx 'Exec=quillnote --add-note' '$prefix/share/applications/$id.desktop'"
check "launcher starts the program from the PATH" \
    grep -qx -e "Exec=quillnote" "$prefix/share/applications/$id.desktop"
check "launcher names the icon by the id" grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop"
check "metainfo passes appstreamcli validate" \
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
check "metainfo launches the launcher" \
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml"

# --- The installed program, from a read-only folder ------------------------------------------
home=$tmp/home
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
chmod 755 "$tmp"
run=()
if [ "$(id -u)" -eq 0 ]; then
    # Root ignores file modes: the program runs as an ordinary user who owns only its home.
    chown -R 65534:65534 "$home"
    run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod -R a-w "$prefix"
notes=$XDG_DATA_HOME/Tarrowin/Quillnote/quill.xml

"${run[@]}" "$prefix/bin/quillnote" >"$tmp/program.out" 2>&1 &
pid=$!
for _ in $(seq 300); do
    grep -q 'Read Me First' "$notes" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
check "program keeps running after its start" kill -0 "$pid"
check "notes file created in the XDG data folder" test -s "$notes"
check "notes file holds the read-me note read from the install folder" grep -q 'Read Me First' "$notes"
check "nothing written into the install folder" \
    test -z "$(find "$prefix" -newer "$tmp/installed.mark" ! -type d -print)"

kill -TERM "$pid" 2>/dev/null
status=timeout
for _ in $(seq 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        status=$?
        break
    fi
    sleep 0.1
done
pid_left=$pid
[ "$status" = timeout ] || pid=
check "program ends on SIGTERM with status 0 (got $status)" test "$status" = 0
check "settings written on exit" test -s "$XDG_CONFIG_HOME/Tarrowin/registry.ini"
check "no error log" test ! -e "$XDG_DATA_HOME/Tarrowin/Quillnote/Quillnote.log"
check "no stray process left" bash -c "! kill -0 $pid_left 2>/dev/null"
if [ "$status" != 0 ]; then
    echo "--- program output"
    cat "$tmp/program.out"
fi
chmod -R u+w "$prefix"

# --- The Debian package ----------------------------------------------------------------------
if cpack -G DEB -B "$tmp/deb" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1; then
    check "cpack builds the Debian package" true
else
    cat "$tmp/cpack.log"
    check "cpack builds the Debian package" false
    finish
    exit
fi
deb=$(find "$tmp/deb" -maxdepth 1 -name 'quillnote_*.deb' | head -n 1)
check "package file quillnote_<version>_<arch>.deb" test -n "$deb"
dpkg-deb -c "$deb" >"$tmp/contents"
for f in ./usr/lib/quillnote/quillnote ./usr/lib/quillnote/libquillcsapi.so \
    ./usr/lib/quillnote/qnReadMe.txt ./usr/lib/quillnote/Quillnote.html ./usr/lib/quillnote/about.jpg \
    ./usr/lib/quillnote/ispell/hunspell-en_US/ispell.ini ./usr/share/applications/$id.desktop \
    ./usr/share/metainfo/$id.metainfo.xml ./usr/share/icons/hicolor/48x48/apps/$id.png \
    ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/doc/quillnote/copyright \
    ./usr/share/doc/quillnote/changelog.gz ./usr/share/man/man1/quillnote.1.gz; do
    check "package holds $f" grep -q " $f\$" "$tmp/contents"
done
check "package links /usr/bin/quillnote relatively" \
    grep -q ' ./usr/bin/quillnote -> ../lib/quillnote/quillnote$' "$tmp/contents"
check "package holds no tests" bash -c "! grep -E '/(tst_|quill_)[^/]*\$' '$tmp/contents'"
check "package is named quillnote" test "$(dpkg-deb -f "$deb" Package)" = quillnote
depends=$(dpkg-deb -f "$deb" Depends)
check "package depends on the Qt and hunspell libraries it links (${depends:0:60}...)" \
    bash -c "grep -q libqt6widgets6 <<<'$depends' && grep -q libhunspell <<<'$depends'"
check "package recommends the spelling programs" \
    bash -c "dpkg-deb -f '$deb' Recommends | grep -q 'hunspell, hunspell-en-us'"
check "package recommends Qt's Wayland plugin" \
    bash -c "dpkg-deb -f '$deb' Recommends | grep -qw 'qt6-wayland'"
if command -v lintian >/dev/null; then
    check "lintian finds no error in the package" bash -c "! lintian '$deb' 2>/dev/null | grep '^E:'"
fi

finish
