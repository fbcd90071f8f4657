#!/bin/bash
# The one Wine environment used by the tests, the benchmarks and `make run`.
#
#   wine-harness.sh up [--display]   prepare the prefix, start Xvfb (unless --display and $DISPLAY
#                                    is set) and a persistent wineserver; writes $WINE_ROOT/env
#   wine-harness.sh exec PROG ARGS   run a Windows program inside that environment
#   wine-harness.sh down [--force]   stop our wineserver and our Xvfb (by pid, never by name);
#                                    without --force it leaves them up while a program still runs
#
# WINE_ROOT defaults to build/wine; everything Wine writes stays below it.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
root=${WINE_ROOT:-$here/build/wine}
mkdir -p "$root"
root=$(cd "$root" && pwd)
prefix=$root/prefix
envfile=$root/env

write_env() {
    cat > "$envfile" <<EOT
export WINEPREFIX='$prefix'
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES='winemenubuilder.exe=d;mscoree=d;mshtml=d'
export HOME='$root/home'
export TMPDIR='$root/tmp'
export USER=porvane
export TZ=\${PORVANE_TZ:-\${TZ:-UTC}}
export DISPLAY='$1'
EOT
}

load_env() {
    if [ ! -f "$envfile" ]; then
        echo "wine-harness: not up (no $envfile); run '$0 up' first" >&2
        exit 2
    fi
    # shellcheck disable=SC1090
    . "$envfile"
}

start_xvfb() {
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$root/xvfb.log" 2>&1 9>&- &
        echo $! > "$root/xvfb.pid"
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n"; return 0; }
            sleep 0.1
        done
        kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true
        rm -f "$root/xvfb.pid"
    done
    echo "wine-harness: could not start Xvfb" >&2
    return 1
}

make_prefix() {
    # Build the prefix once, in a scratch folder, and move it into place only when complete.
    local scratch=$root/prefix.new
    rm -rf "$scratch"
    WINEPREFIX=$scratch wineboot -i >/dev/null 2>&1 </dev/null
    WINEPREFIX=$scratch wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f \
        >/dev/null 2>&1 </dev/null
    WINEPREFIX=$scratch wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ \
        /d 1024x768 /f >/dev/null 2>&1 </dev/null
    # This Wine does not read the fonts where fonts-wine puts them; without them the dialog font
    # falls back to another face and dialog units change size.
    cp /usr/share/wine/fonts/*.tt[fc] "$scratch/drive_c/windows/Fonts/" 2>/dev/null || true
    WINEPREFIX=$scratch wineserver -w
    mv "$scratch" "$prefix"
}

# Programs other than Wine's own services that still run in our prefix (their pids).
prefix_users() {
    local dir argv0
    for dir in /proc/[0-9]*; do
        { tr '\0' '\n' < "$dir/environ" | grep -qxF "WINEPREFIX=$prefix"; } 2>/dev/null || continue
        argv0=$({ tr '\0' '\n' < "$dir/cmdline" | head -n 1; } 2>/dev/null)
        case "$argv0" in
            *'\services.exe'|*'\winedevice.exe'|*'\plugplay.exe'|*'\svchost.exe'|*'\explorer.exe' \
            |*'\rpcss.exe'|*'\conhost.exe'|*'\tabtip.exe'|*'\wineboot.exe') ;;
            ?:\\*) echo "${dir#/proc/}" ;;  # a Windows program of ours
        esac
    done
}

cmd=${1:-}
case "$cmd" in
    up)
        # The trash folders stand for the desktop's Recycle Bin: without them Wine's shell deletes
        # for good what a program sends to the Recycle Bin.
        mkdir -p "$root/home/.local/share/Trash/files" "$root/home/.local/share/Trash/info" "$root/tmp"
        # Several callers may bring the harness up at once: one at a time from here on.
        exec 9>"$root/lock"
        flock 9
        display=""
        if [ "${2:-}" = "--display" ] && [ -n "${DISPLAY:-}" ]; then
            display=$DISPLAY
        elif [ -f "$root/xvfb.pid" ] && kill -0 "$(cat "$root/xvfb.pid")" 2>/dev/null \
             && [ -f "$root/xvfb.display" ]; then
            display=$(cat "$root/xvfb.display")
        else
            display=$(start_xvfb)
            echo "$display" > "$root/xvfb.display"
        fi
        write_env "$display"
        load_env
        [ -d "$prefix" ] || make_prefix 9>&-
        # A persistent server makes every later start cheap. Warm it up before anything runs
        # under CTest: the first wine process spawns services that inherit its stdout.
        wineserver -p 9>&- || true  # already running: fine
        wine cmd /c exit 9>&- </dev/null >/dev/null 2>&1 || true
        # A program that crashes ends at once, with its exception as the exit code, instead of
        # waiting for Wine's debugger, which keeps a failed test alive until CTest's timeout.
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
            /d 'cmd.exe /c exit %ld %ld' /f 9>&- </dev/null >/dev/null 2>&1 || true
        echo "wine-harness: prefix $prefix, display $DISPLAY"
        ;;
    exec)
        shift
        load_env
        exec wine "$@"
        ;;
    down)
        if [ -f "$envfile" ]; then
            load_env
            users=$(prefix_users | tr '\n' ' ')
            if [ -n "$users" ] && [ "${2:-}" != "--force" ]; then
                echo "wine-harness: still in use (pids $users); leaving it up" >&2
                exit 0
            fi
            wineserver -k 2>/dev/null || true
            wineserver -w 2>/dev/null || true
        fi
        if [ -f "$root/xvfb.pid" ]; then
            kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true
            rm -f "$root/xvfb.pid" "$root/xvfb.display"
        fi
        ;;
    *)
        echo "usage: $0 up [--display] | exec PROGRAM [ARGS...] | down" >&2
        exit 2
        ;;
esac
