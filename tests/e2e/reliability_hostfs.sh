#!/bin/sh
# Host-side helpers of the reliability tests: faults that Wine cannot make by itself. The tests
# run as root, where a read-only folder does not stop a write; mounts do.
#   reliability_hostfs.sh tmpfs-up DIR SIZE STATUS     a tmpfs of SIZE mounted on DIR (a drive that fills up)
#   reliability_hostfs.sh readonly-up DIR STATUS       DIR bind-mounted onto itself read-only
#   reliability_hostfs.sh unmount DIR STATUS           undo either of the two
#   reliability_hostfs.sh programs-hide STATUS         move the Start-menu Programs folder aside
#   reliability_hostfs.sh programs-restore STATUS      put it back
#   reliability_hostfs.sh kill-installer STATUS        SIGKILL to this prefix's running Porvane.exe
#   reliability_hostfs.sh drive-map L DIR STATUS       drive letter L: leads to DIR (a drive that comes)
#   reliability_hostfs.sh drive-unmap L STATUS         L: leads nowhere (a drive that goes away)
# DIR and STATUS are relative to drive C: of $WINEPREFIX, with '/' separators and no spaces.
# Wine starts Unix programs without waiting for them: every command ends by writing "ok" or the
# reason it failed into STATUS, which the test polls for.
set -u

prefix=${WINEPREFIX:?WINEPREFIX is not set}
drive_c=$prefix/drive_c
programs="$drive_c/users/${USER:?USER is not set}/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
aside=$prefix/porvane-reliability-programs
cmd=${1:-}

report() {
    # Written under another name first, so the test never reads half a status.
    printf '%s\n' "$2" > "$drive_c/$1.part" && mv "$drive_c/$1.part" "$drive_c/$1"
}

unmount_all() {
    # A bind mount may sit on another one after an interrupted run: undo every layer.
    dir=$1
    while mountpoint -q "$dir" 2>/dev/null; do
        # Wine may still watch the folder; a lazy unmount detaches it all the same.
        umount "$dir" 2>/dev/null || umount -l "$dir" || return 1
    done
    return 0
}

case "$cmd" in
    tmpfs-up)
        dir=$drive_c/$2 size=$3 status=$4
        unmount_all "$dir" || { report "$status" "error: cannot unmount an earlier $2"; exit 1; }
        mkdir -p "$dir" || { report "$status" "error: mkdir $2"; exit 1; }
        if ! why=$(mount -t tmpfs -o "size=$size" tmpfs "$dir" 2>&1); then
            report "$status" "error: mount: $why"; exit 1
        fi
        report "$status" ok
        ;;
    readonly-up)
        dir=$drive_c/$2 status=$3
        [ -d "$dir" ] || { report "$status" "error: no folder $2"; exit 1; }
        if ! why=$(mount --bind "$dir" "$dir" 2>&1 && mount -o remount,bind,ro "$dir" 2>&1); then
            unmount_all "$dir"
            report "$status" "error: mount: $why"; exit 1
        fi
        report "$status" ok
        ;;
    unmount)
        dir=$drive_c/$2 status=$3
        if unmount_all "$dir"; then report "$status" ok; else report "$status" "error: umount $2"; fi
        ;;
    programs-hide)
        status=$2
        [ ! -e "$aside" ] || { report "$status" "error: $aside is in the way"; exit 1; }
        if mv "$programs" "$aside"; then report "$status" ok; else report "$status" "error: mv"; fi
        ;;
    programs-restore)
        status=$2
        if [ -e "$aside" ]; then
            # Anything made in its place while it was away goes first.
            rm -rf "$programs" && mv "$aside" "$programs" || { report "$status" "error: mv back"; exit 1; }
        fi
        report "$status" ok
        ;;
    kill-installer)
        # As a power cut or the task manager would end it: no chance to clean up.
        status=$2 killed=""
        for dir in /proc/[0-9]*; do
            grep -qzx "WINEPREFIX=$prefix" "$dir/environ" 2>/dev/null || continue
            name=$(tr '\0' '\n' < "$dir/cmdline" 2>/dev/null | head -n 1)
            case "$name" in *\\Porvane.exe) kill -KILL "${dir#/proc/}" && killed=yes ;; esac
        done
        if [ -n "$killed" ]; then report "$status" ok; else report "$status" "error: no Porvane.exe running"; fi
        ;;
    drive-map)
        letter=$2 dir=$drive_c/$3 status=$4
        [ -d "$dir" ] || { report "$status" "error: no folder $3"; exit 1; }
        if ln -sfn "$dir" "$prefix/dosdevices/$letter:"; then report "$status" ok; else report "$status" "error: ln"; fi
        ;;
    drive-unmap)
        letter=$2 status=$3
        if rm -f "$prefix/dosdevices/$letter:"; then report "$status" ok; else report "$status" "error: rm"; fi
        ;;
    *)
        echo "usage: $0 tmpfs-up DIR SIZE STATUS | readonly-up DIR STATUS | unmount DIR STATUS | programs-hide STATUS | programs-restore STATUS | kill-installer STATUS | drive-map L DIR STATUS | drive-unmap L STATUS" >&2
        exit 2
        ;;
esac
