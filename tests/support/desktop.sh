# shellcheck shell=bash
# shellcheck disable=SC2034 # the desktop_ variables are read by the scripts that source this one
# A virtual desktop for the scripts that drive the real program: Xvfb on a display it picks itself
# (-displayfd, so no race with other X servers), openbox, and when asked trayer as the tray host.
# HOME and the XDG folders point into the caller's work folder, so nothing outside it is touched.
# Every process started here or handed to desktop_track is stopped by its id in desktop_stop, last
# started first.
#
#   source tests/support/wait_for.sh; source tests/support/desktop.sh
#   trap 'desktop_stop; rm -rf "$work"' EXIT
#   desktop_start WORK [--size WxH] [--tray HEIGHT]   (fails with a message in $desktop_error)
#   desktop_copy_program BUILD_DIR DEST               (the build's program folder without tests)
#   desktop_track PID

desktop_pids=()
desktop_error=""
desktop_tray_window=""

desktop_track() {
    desktop_pids+=("$1")
}

# desktop_stop: TERM to each process, KILL to any still running 3 s later.
desktop_stop() {
    local i pid tries
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
        pid=${desktop_pids[i]}
        kill -TERM "$pid" 2>/dev/null || continue
        for ((tries = 30; tries > 0; tries--)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    desktop_pids=()
}

desktop_copy_program() {
    mkdir -p "$2"
    tar -C "$1/bin" --exclude='./tst_*' --exclude='./quill_*' --exclude='./bench_*' -cf - . |
        tar -C "$2" -xf -
    rm -f "$2"/quill.xml* "$2/Quillnote.log"
}

desktop_start() {
    local work=$1 size=1024x768 tray_height=""
    shift
    while [ $# -gt 0 ]; do
        case $1 in
        --size) size=$2; shift 2 ;;
        --tray) tray_height=$2; shift 2 ;;
        *) desktop_error="desktop_start: unknown option $1"; return 1 ;;
        esac
    done
    mkdir -p "$work/home" "$work/config" "$work/data" "$work/cache" "$work/runtime"
    chmod 700 "$work/runtime"

    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    desktop_track $!
    wait_for 30 _desktop_has_display "$work" ||
        { desktop_error="Xvfb did not start: $(tail -n 5 "$work/xvfb.log")"; return 1; }
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
    export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
    export QT_QPA_PLATFORM=xcb LANG=C.UTF-8
    unset LC_ALL WAYLAND_DISPLAY SESSION_MANAGER QT_SCALE_FACTOR QT_QPA_PLATFORMTHEME GTK_THEME

    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    desktop_track $!
    wait_for 30 _desktop_wm_running || { desktop_error="openbox did not start"; return 1; }

    [ -n "$tray_height" ] || return 0
    # trayer now and then ends at once on a busy machine before it has taken the tray; another start
    # then succeeds.
    local attempt
    for attempt in 1 2 3; do
        trayer --edge bottom --align right --widthtype request --height "$tray_height" --SetDockType true \
            --transparent false >>"$work/trayer.log" 2>&1 &
        _desktop_trayer=$!
        desktop_track "$_desktop_trayer"
        wait_for 30 _desktop_tray_up_or_gone
        _desktop_tray_running && return 0
        echo "desktop: trayer start $attempt failed" >>"$work/trayer.log"
        kill -TERM "$_desktop_trayer" 2>/dev/null
    done
    desktop_error="trayer did not start: $(tail -n 5 "$work/trayer.log")"
    return 1
}

_desktop_tray_up_or_gone() {
    _desktop_tray_running || ! kill -0 "$_desktop_trayer" 2>/dev/null
}

_desktop_has_display() {
    [ -s "$1/display" ]
}

_desktop_wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

_desktop_tray_running() {
    desktop_tray_window=$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n 1)
    [ -n "$desktop_tray_window" ]
}

# desktop_tray_icon PID: the window of that process's icon once it is embedded in the tray host and
# mapped there, in $desktop_icon; fails while it is not.
desktop_icon=""
desktop_tray_icon() {
    local id
    desktop_icon=""
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        _desktop_in_tray "$id" || continue
        desktop_icon=$id
        return 0
    done
    return 1
}

_desktop_in_tray() {
    [ -n "$desktop_tray_window" ] &&
        xwininfo -tree -id "$desktop_tray_window" 2>/dev/null | grep -q "^ *$(printf '0x%x' "$1") "
}

# desktop_main_window PID: the program's visible main window ("Quillnote", not a dialog, not the
# tray icon, which bears the same name), in $desktop_main; fails while there is none.
desktop_main=""
desktop_main_window() {
    local id
    desktop_main=""
    for id in $(xdotool search --all --onlyvisible --pid "$1" --name '^Quillnote$' 2>/dev/null); do
        xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' && continue
        _desktop_in_tray "$id" && continue
        desktop_main=$id
        return 0
    done
    return 1
}

# desktop_click WINDOW BUTTON: a click in the middle of the window.
desktop_click() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$2"
}

# desktop_popup PID: succeeds while a pop-up menu of that process is open (a window that bypasses the
# window manager, other than the tray icon and a tooltip).
desktop_popup() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        _desktop_in_tray "$id" && continue
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && continue
        return 0
    done
    return 1
}

# desktop_timed_exit PID SECONDS COMMAND...: runs COMMAND, which should end the process PID (a child of
# this shell), and waits up to SECONDS for it to end. Sets $desktop_exit_ms (from the moment COMMAND has
# done its part, e.g. xdotool has sent the keys, to the end) and $desktop_exit_status; fails if the
# process still runs.
desktop_exit_ms=""
desktop_exit_status=""
desktop_timed_exit() {
    local pid=$1 limit=$2 start deadline
    shift 2
    "$@" || return 1
    start=${EPOCHREALTIME/./}
    deadline=$((start + limit * 1000000))
    while kill -0 "$pid" 2>/dev/null; do
        [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || return 1
        sleep 0.02
    done
    desktop_exit_ms=$(((${EPOCHREALTIME/./} - start) / 1000))
    desktop_exit_status=0
    wait "$pid" || desktop_exit_status=$?
}

# desktop_setting SETTINGS_FILE NAME: a stored number of the program's settings.
desktop_setting() {
    sed -n "s/^Tarrowin\\\\Quillnote\\\\Settings\\\\$2=dword://p" "$1"
}

# desktop_corner_on_screen SETTINGS_FILE: the stored window corner ("left,top" in $desktop_corner)
# lies on the default 1024 x 768 screen.
desktop_corner=""
desktop_corner_on_screen() {
    local top left
    top=$(desktop_setting "$1" Top)
    left=$(desktop_setting "$1" Left)
    desktop_corner="$left,$top"
    [[ $top =~ ^[0-9]+$ && $left =~ ^[0-9]+$ ]] && [ "$top" -lt 768 ] && [ "$left" -lt 1024 ]
}
