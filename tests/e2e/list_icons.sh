#!/bin/bash
# The icons of the folder navigator and of the group list as a person sees them. The installer is
# started from the host's root folder (Wine's Z:\) and driven with keys and clicks only (xdotool);
# each list is taken from the X display (ImageMagick's import), outside the installer's process,
# and every row's icon cell must hold pixels other than the list's background: the computer view,
# the drive view and a drive's folders after double-clicks, then the group list after the copy.
# Escape on the group page ends the run, which undoes the copy.
#   list_icons.sh Porvane.exe WORK_FOLDER      (WINE_ROOT: the harness, which is up; under CTest
#                                              the pool's harness that CTest gave the test)
set -u
exe=$(cd "$(dirname "${1:?}")" && pwd)/$(basename "$1") work=${2:?}
harness=$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-harness.sh
: "${WINE_ROOT:?}"
envfile=$("$harness" env) || { echo "list icons: the harness is not up" >&2; exit 1; }
. "$envfile" || exit 1
rm -rf "$work" && mkdir -p "$work" || exit 1
pid=""
fail() {
    import -window root "$work/screen.png" 2>/dev/null
    echo "list icons: $* ($(cat "$work/why" 2>/dev/null)); pictures in $work" >&2
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    exit 1
}
# Polls the command after the limit (seconds) until it succeeds or the limit has passed.
within() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.2
    done
}
# True once the window with the keyboard focus has a name that matches $1; it is then $page.
focused() {
    local window name
    window=$(xdotool getwindowfocus 2>/dev/null) && name=$(xdotool getwindowname "$window" 2>/dev/null) \
        && [[ $name == $1 ]] && page=$window
}
# Takes $page's picture and tests the icon cells "ROW:LEVEL ..." of its list: an icon starts in
# the 8 columns of that level and not in those of the level before (the list indents 8 pixels a
# level and draws a 16-pixel icon one pixel in; rows are 16 pixels high). The list's client
# corner is found from a point in the list's empty lower left (the pages' layout): left to the
# border, then up its first column, which no row paints. Prints the corner.
icons_seen() {
    import -window "$page" "$work/list.png" 2>/dev/null || return 1
    convert "$work/list.png" -depth 8 txt:- | awk -v cells="$1" '
        NR > 1 {
            split($1, at, /[,:]/)
            for (i = 2; i <= NF; ++i) if ($i ~ /^#/) { c[at[1], at[2]] = $i; break }
            h = at[2] + 1
        }
        END {
            x = 152; y = h - 20; bg = c[x, y]
            while (x > 0 && c[x - 1, y] == bg) --x
            while (y > 0 && c[x, y - 1] == bg) --y
            if (bg != "#FFFFFF" || 152 - x > 16) { print "no empty list at the probe" > "/dev/stderr"; exit 1 }
            n = split(cells, cell, " ")
            for (k = 1; k <= n; ++k) {
                split(cell[k], rl, ":")
                seen = early = 0
                for (i = x + 8 * rl[2] - 7; i < x + 8 * rl[2] + 9; ++i)
                    for (j = y + 16 * rl[1]; j < y + 16 * rl[1] + 16; ++j)
                        if (c[i, j] != bg) { if (i > x + 8 * rl[2]) ++seen; else if (i >= x) ++early }
                if (!seen || early) { printf "row %d: no icon at level %d\n", rl[1], rl[2] > "/dev/stderr"; exit 1 }
            }
            print x, y
        }' > "$work/corner" 2> "$work/why"
}
# Gives the focus to the visible window whose name matches $1 (a pattern of `focused`).
focus_named() {
    local pattern=${1//\*/.*} window
    window=$(xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | tail -n 1) && [ -n "$window" ] \
        && xdotool windowfocus "$window" 2>/dev/null
}
press_on() {  # KEY WINDOW_NAME: waits for that window to have the focus, then presses the key
    # The X focus follows the window the installer activates; on a busy machine it can miss a
    # window that opened meanwhile (the installer's box is active, the focus elsewhere), and the
    # window is then given the focus as a click on it would.
    within 20 focused "$2" || { focus_named "$2"; within 40 focused "$2"; } || fail "no focus on \"$2\""
    xdotool key "$1"
}
double_click_row() {
    local x y
    read -r x y < "$work/corner"
    xdotool mousemove --window "$page" $((x + 40)) $((y + 16 * $1 + 8)) click --repeat 2 --delay 100 1
}

# Wine's Z:\ is the host's root; started there, the installer's current folder is a drive root.
(cd / && exec "$harness" exec "$exe" >/dev/null 2>&1) &
pid=$!
press_on Return Porvane
press_on Return "* License Agreement"
within 60 focused "* Program Location" || fail "no location page"
within 30 icons_seen "0:0 1:1 2:2 3:3" || fail "the navigator's computer view lacks icons"
double_click_row 0
within 30 icons_seen "0:0 1:1 2:1" || fail "the drive view lacks icons"
double_click_row 1
within 30 icons_seen "0:0 1:1 2:2 3:2" || fail "the drive's folders lack icons"
# Reset Folder (two tab stops on from the list) brings the default folder back; Continue is one
# stop before it.
xdotool key Tab Tab space
within 30 icons_seen "0:0 1:1 2:2 3:3" || fail "the reset navigator lacks icons"
xdotool key shift+Tab space
within 180 focused "* Program Group" || fail "no group page"
within 30 icons_seen "0:0 1:0" || fail "the group list lacks icons"
press_on Escape "* Program Group"
press_on Return Porvane
within 120 eval '! kill -0 "$pid" 2>/dev/null' || fail "the installer did not end after Escape"
echo "list icons: every icon cell of both lists shows an icon"
