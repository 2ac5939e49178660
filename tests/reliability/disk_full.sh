#!/bin/bash
# Saves onto a nearly full disk: a small tmpfs, and an ext4 file system on a loop device, filled to
# leave from no free space to several times the size of the save. Every save must either reach the
# disk whole or fail with a message naming the file and leave the old file byte-identical: never a
# truncated file, never a temporary file left behind.
#
#   disk_full.sh <quill_save_loop> [--long]     (or QUILL_RELIABILITY_LONG=1)
#
# Needs root (or user namespaces) for the mounts, made in a private mount namespace.
set -u

driver=${1:?usage: disk_full.sh <quill_save_loop> [--long]}
long=${QUILL_RELIABILITY_LONG:-0}
[ "${2:-}" = --long ] && long=1

if [ "${QUILL_DISK_FULL_INSIDE:-}" != 1 ]; then
    export QUILL_DISK_FULL_INSIDE=1 QUILL_RELIABILITY_LONG=$long
    if [ "$(id -u)" = 0 ]; then
        exec unshare -m --propagation private bash "$0" "$driver"
    fi
    # Without root, only the tmpfs part can run, as root of a user namespace.
    if unshare -Urm true 2>/dev/null; then
        exec unshare -Urm bash "$0" "$driver"
    fi
    echo "disk-full: skipped: neither root nor user namespaces for mounting a small file system"
    exit 77
fi

if [ "$long" = 1 ]; then
    notes=20000
    steps=100
else
    notes=2000
    steps=25
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/disk_full.XXXXXX") || exit 1
mnt=$work/mnt
mkdir "$mnt"
trap 'umount "$mnt" 2>/dev/null; rm -rf "$work"' EXIT

"$driver" create "$work/base.xml" "$notes" >/dev/null || { echo "cannot create the notes file"; exit 1; }
first=$("$driver" check "$work/base.xml" 0 "$notes") || { echo "base file: $first"; exit 1; }
first=${first#ok }
# The size of the next save, measured on a roomy disk.
cp "$work/base.xml" "$work/probe.xml"
"$driver" save-once "$work/probe.xml" "$work/probe.log" >/dev/null 2>&1
old_size=$(stat -c %s "$work/base.xml")
new_size=$(stat -c %s "$work/probe.xml")
rm -f "$work/probe.xml" "$work/probe.log"

# Free space to leave: from none to four times the save, densest around the save's own size.
free_sizes() {
    local i n=$1 s=$new_size
    local -a d=(-1 -1024 -2048 -4096 -4097 -8192 -16384 -65536 $((-s / 8)) $((-s / 4)) $((-s / 2)) $((-s)))
    echo 0
    echo "$s"
    for i in "${d[@]}"; do
        [ $((s + i)) -gt 0 ] && echo $((s + i))
        echo $((s - i))
    done
    # The long form adds evenly spread sizes.
    for ((i = 1; i <= n - 25; i++)); do echo $((s * 4 * i / (n - 25))); done
    echo $((s * 4))
}

avail_of() { df -B1 --output=avail "$1" | tail -n 1 | tr -d ' '; }

# One save onto $mnt with about `free` bytes left. Adds to the counters of the file system.
saved=0 refused=0 truncated=0 failed=0 min_free=-1 max_free=0
one_save() {
    local free=$1 file=$mnt/quill.xml
    rm -f "$mnt"/* "$work/log"
    cp "$work/base.xml" "$file"
    local fill=$(($(avail_of "$mnt") - free))
    # The last block fills as far as it goes; a short filler only leaves a little more room.
    [ "$fill" -gt 0 ] && head -c "$fill" /dev/zero >"$mnt/filler" 2>/dev/null
    sync -f "$mnt" 2>/dev/null
    local actual
    actual=$(avail_of "$mnt")
    [ "$min_free" -lt 0 ] || [ "$actual" -lt "$min_free" ] && min_free=$actual
    [ "$actual" -gt "$max_free" ] && max_free=$actual

    "$driver" save-once "$file" "$work/log" >"$work/out" 2>"$work/err"
    local rc=$? outcome
    outcome=$(head -n 1 "$work/out")
    local result
    result=$("$driver" check "$file" "$first" "$notes")
    local check_rc=$?
    if [ $rc -ne 0 ] || grep -q '^FAIL' "$work/out" || grep -v '^message: ' "$work/err" | grep -q .; then
        echo "free $actual: $(cat "$work/out" "$work/err" | head -c 400)"
        failed=$((failed + 1))
    elif [ $check_rc -ne 0 ]; then
        echo "free $actual: the file is damaged: $result"
        truncated=$((truncated + 1))
    elif compgen -G "$file.*.qntmp" >/dev/null; then
        echo "free $actual: a temporary file was left"
        failed=$((failed + 1))
    else
        case $outcome in
        saved*)
            if [ "$result" = "ok $((first + 1))" ]; then
                saved=$((saved + 1))
            else
                echo "free $actual: saved, but the file holds: $result"
                failed=$((failed + 1))
            fi
            ;;
        failed*)
            # The driver found the old file byte-identical; the log must say which file failed. Its
            # second try may succeed: ext4 gets back the blocks it held for the first one.
            local expected=$first
            grep -q '^retried' "$work/out" && expected=$((first + 1))
            if [ "$result" = "ok $expected" ] && grep -qF "Saving \"$file\"" "$work/log" 2>/dev/null; then
                refused=$((refused + 1))
            else
                echo "free $actual: refused, but the file holds: $result, log: $(head -c 300 "$work/log" 2>/dev/null)"
                failed=$((failed + 1))
            fi
            ;;
        *)
            echo "free $actual: $outcome"
            failed=$((failed + 1))
            ;;
        esac
    fi
}

run_sizes() {
    local label=$1 sizes
    saved=0 refused=0 truncated=0 failed=0 min_free=-1 max_free=0
    sizes=$(free_sizes "$steps" | sort -n | uniq | head -n "$steps")
    local count=0 free
    for free in $sizes; do
        one_save "$free"
        count=$((count + 1))
    done
    echo "disk-full: $label: $count sizes, free space $min_free to $max_free bytes around a save of" \
        "$new_size bytes: $saved saved, $refused refused with a message, $truncated truncated files," \
        "$failed failed"
    [ $((truncated + failed)) -eq 0 ]
}

status=0
size=$(((old_size + new_size * 5 + 1048576 + 4095) / 4096 * 4096))
if mount -t tmpfs -o "size=$size" tmpfs "$mnt"; then
    run_sizes tmpfs || status=1
    umount "$mnt"
else
    echo "disk-full: tmpfs: skipped: mounting a tmpfs failed"
fi

if [ "$(id -u)" != 0 ] || ! command -v mkfs.ext4 >/dev/null; then
    echo "disk-full: ext4: skipped: needs real root and mkfs.ext4 for a loop device"
elif ! { truncate -s $((size + 4194304)) "$work/ext4.img" && mkfs.ext4 -q -F -m 0 "$work/ext4.img" &&
    mount -o loop "$work/ext4.img" "$mnt"; } 2>"$work/mount.err"; then
    echo "disk-full: ext4: skipped: $(head -n 1 "$work/mount.err")"
else
    rmdir "$mnt/lost+found" 2>/dev/null
    run_sizes ext4 || status=1
    umount "$mnt"
fi
exit $status
