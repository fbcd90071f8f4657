#!/bin/sh
# Host-side helpers for the Win32 engine tests: what Wine cannot make by itself.
#   engine_hostfs.sh fulldisk-up LETTER SIZE STATUS   mount a tmpfs of SIZE as drive LETTER:
#   engine_hostfs.sh fulldisk-down LETTER STATUS      remove that drive and its mount
#   engine_hostfs.sh symlink TARGET LINK STATUS       a host symlink (a reparse point to Wine)
#   engine_hostfs.sh unlink LINK STATUS               remove that symlink (Wine's own calls would
#                                                     remove the folder it points to)
# TARGET, LINK and STATUS are paths relative to drive C: of $WINEPREFIX, with '/' separators.
# Wine starts Unix programs without waiting for them, so every command ends by writing "ok" or
# the reason it failed into STATUS, which the test polls for.
set -u

prefix=${WINEPREFIX:?WINEPREFIX is not set}
drive_c=$prefix/drive_c
cmd=${1:-}

report() {
    # Written under another name first, so the test never reads half a status.
    printf '%s\n' "$2" > "$drive_c/$1.part" && mv "$drive_c/$1.part" "$drive_c/$1"
}

drive_down() {
    letter=$1
    mountpoint=$prefix/porvane-fulldisk-$letter
    link=$prefix/dosdevices/$letter:
    if [ -L "$link" ] && [ "$(readlink "$link")" = "$mountpoint" ]; then rm -f "$link"; fi
    if mountpoint -q "$mountpoint" 2>/dev/null; then
        # Wine may still watch the folder; a lazy unmount detaches it all the same.
        umount "$mountpoint" 2>/dev/null || umount -l "$mountpoint" || return 1
    fi
    if [ -d "$mountpoint" ]; then rmdir "$mountpoint" || return 1; fi
    return 0
}

case "$cmd" in
    fulldisk-up)
        letter=$2 size=$3 status=$4
        mountpoint=$prefix/porvane-fulldisk-$letter
        link=$prefix/dosdevices/$letter:
        drive_down "$letter" || { report "$status" "error: cannot remove an earlier drive $letter:"; exit 1; }
        if [ -e "$link" ] || [ -L "$link" ]; then
            report "$status" "error: drive $letter: is taken"; exit 1
        fi
        mkdir -p "$mountpoint" || { report "$status" "error: mkdir $mountpoint"; exit 1; }
        if ! why=$(mount -t tmpfs -o "size=$size" tmpfs "$mountpoint" 2>&1); then
            rmdir "$mountpoint"
            report "$status" "error: mount: $why"; exit 1
        fi
        ln -s "$mountpoint" "$link" || { drive_down "$letter"; report "$status" "error: ln"; exit 1; }
        report "$status" ok
        ;;
    fulldisk-down)
        letter=$2 status=$3
        if drive_down "$letter"; then report "$status" ok; else report "$status" "error: unmount"; fi
        ;;
    symlink)
        target=$2 link=$3 status=$4
        if ln -s "$drive_c/$target" "$drive_c/$link"; then report "$status" ok
        else report "$status" "error: ln -s $target $link"; fi
        ;;
    unlink)
        link=$2 status=$3
        if [ ! -L "$drive_c/$link" ] || rm -f "$drive_c/$link"; then report "$status" ok
        else report "$status" "error: rm $link"; fi
        ;;
    *)
        echo "usage: $0 fulldisk-up LETTER SIZE STATUS | fulldisk-down LETTER STATUS | symlink TARGET LINK STATUS | unlink LINK STATUS" >&2
        exit 2
        ;;
esac
