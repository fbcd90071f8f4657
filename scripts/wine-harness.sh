#!/bin/bash
# The one Wine environment used by the tests, the benchmarks and `make run`.
#
#   wine-harness.sh up [--display]   prepare the prefix, start Xvfb (unless --display and $DISPLAY
#                                    is set) and a persistent wineserver; writes $WINE_ROOT/env
#   wine-harness.sh up --pool N      that, and N more harnesses side by side in $WINE_ROOT/pool/1..N,
#                                    each with a prefix, an Xvfb display and a wineserver of its own;
#                                    each starts from a fresh copy of the template (one still in use
#                                    is left as it is), so nothing a run leaves reaches the next;
#                                    writes $WINE_ROOT/pool/resources.json, a CTest resource spec
#                                    that offers each of them as one `harness`
#   wine-harness.sh exec PROG ARGS   run a Windows program inside that environment; under CTest,
#                                    inside the pool's harness that CTest gave the test
#   wine-harness.sh env              print the path of that environment's file (to source it)
#   wine-harness.sh down [--force]   stop our wineservers and our Xvfb displays (by pid, never by
#                                    name); without --force it leaves a harness up while a program
#                                    still runs in it
#   wine-harness.sh down-pool        stop the pool's harnesses and what still runs in them: after
#                                    a test run, only what its tests left behind
#
# WINE_ROOT defaults to build/wine; everything Wine writes stays below it. Every prefix is a copy
# of one made once by wineboot ($WINE_ROOT/template), so a harness more costs about a second.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
root=${WINE_ROOT:-$here/build/wine}
mkdir -p "$root"
root=$(cd "$root" && pwd)
prefix=$root/prefix
envfile=$root/env
# The pristine prefix every harness's prefix is copied from: in the main harness's folder, also
# for the harnesses of its pool.
template=${PORVANE_WINE_TEMPLATE:-$root/template}

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
    local n pid owner
    for n in $(seq 91 250); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$root/xvfb.log" 2>&1 9>&- &
        pid=$!
        echo "$pid" > "$root/xvfb.pid"
        # Others may start a display at the same moment: the display is ours only once the lock
        # file names our server, and lost when our server has ended.
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            owner=$({ tr -d ' \n' < "/tmp/.X$n-lock"; } 2>/dev/null || true)
            [ "$owner" = "$pid" ] && [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n"; return 0; }
            sleep 0.1
        done
        kill "$pid" 2>/dev/null || true
        rm -f "$root/xvfb.pid"
    done
    echo "wine-harness: could not start Xvfb" >&2
    return 1
}

make_template() {
    # Build the prefix once, in a scratch folder, and move it into place only when complete. Its
    # user folders (Desktop, Documents...) link to a home of its own, which copies re-link.
    local scratch=$template.new
    rm -rf "$scratch"
    mkdir -p "$template.home"
    HOME=$template.home WINEPREFIX=$scratch wineboot -i >/dev/null 2>&1 </dev/null
    WINEPREFIX=$scratch wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f \
        >/dev/null 2>&1 </dev/null
    WINEPREFIX=$scratch wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ \
        /d 1024x768 /f >/dev/null 2>&1 </dev/null
    # This Wine does not read the fonts where fonts-wine puts them; without them the dialog font
    # falls back to another face and dialog units change size.
    cp /usr/share/wine/fonts/*.tt[fc] "$scratch/drive_c/windows/Fonts/" 2>/dev/null || true
    WINEPREFIX=$scratch wineserver -w
    mv "$scratch" "$template"
}

make_prefix() {
    # A copy of the template, whose links into the template's home lead into this harness's home.
    local scratch=$root/prefix.new link
    [ -d "$template" ] || make_template
    rm -rf "$scratch"
    cp -a "$template" "$scratch"
    find "$scratch/drive_c/users" -maxdepth 2 -type l -lname "$template.home" -print0 |
        while IFS= read -r -d '' link; do ln -sfn "$HOME" "$link"; done
    mv "$scratch" "$prefix"
}

# The folder of the pool's harness that CTest gave the running test (resource `harness`, from
# the spec that `up --pool` writes), or nothing outside CTest's resource allocation.
allotted_root() {
    local given=${CTEST_RESOURCE_GROUP_0_HARNESS:-}
    [ -n "$given" ] || return 0
    given=${given#id:}
    echo "$root/pool/${given%%,*}"
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
        if [ "${2:-}" = "--pool" ]; then
            count=${3:?usage: $0 up --pool N}
            "$0" up || exit 1
            # The template first, under the main harness's lock, then every harness at once.
            ( exec 9>"$root/lock"; flock 9; [ -d "$template" ] || { load_env; make_template 9>&-; } )
            pids=()
            for k in $(seq 1 "$count"); do
                pool_root=$root/pool/$k
                (
                    # What the last run left goes with the harness, unless a program still runs in it.
                    if [ -f "$pool_root/env" ]; then
                        WINE_ROOT=$pool_root "$0" down
                        [ -f "$pool_root/xvfb.pid" ] || rm -rf "$pool_root/prefix" "$pool_root/home" "$pool_root/tmp"
                    fi
                    WINE_ROOT=$pool_root PORVANE_WINE_TEMPLATE=$template "$0" up
                ) >"$root/pool-$k.log" 2>&1 </dev/null &
                pids+=($!)
            done
            failed=0
            for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
            [ "$failed" = 0 ] || { echo "wine-harness: a harness of the pool did not come up" >&2; cat "$root"/pool-*.log >&2; exit 1; }
            { printf '{"version": {"major": 1, "minor": 0}, "local": [{"harness": ['
              for k in $(seq 1 "$count"); do
                  printf '%s{"id": "%s", "slots": 1}' "$([ "$k" = 1 ] || echo ', ')" "$k"
              done
              printf ']}]}\n'; } > "$root/pool/resources.json"
            echo "wine-harness: a pool of $count more harnesses in $root/pool; CTest resources in $root/pool/resources.json"
            exit 0
        fi
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
    exec | env)
        allotted=$(allotted_root)
        if [ -n "$allotted" ]; then
            envfile=$allotted/env
        fi
        [ "$cmd" = env ] && { [ -f "$envfile" ] && echo "$envfile"; exit; }
        shift
        load_env
        exec wine "$@"
        ;;
    down-pool)
        for pool_root in "$root"/pool/*/; do
            [ -d "$pool_root" ] || continue
            WINE_ROOT=$pool_root "$0" down --force || true
        done
        ;;
    down)
        for pool_root in "$root"/pool/*/; do
            [ -d "$pool_root" ] || continue
            WINE_ROOT=$pool_root "$0" down "${2:-}" || true
        done
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
        echo "usage: $0 up [--display | --pool N] | exec PROGRAM [ARGS...] | env | down [--force] | down-pool" >&2
        exit 2
        ;;
esac
