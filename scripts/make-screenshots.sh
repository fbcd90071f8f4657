#!/bin/bash
# `make screenshots`: walks the installer under Wine page by page (porvane_screens.exe of the
# Win32 build) and stores a PNG of each state in the given folder.
set -u
out=${1:?usage: make-screenshots.sh OUTPUT_FOLDER}
: "${WIN32:?}"
here=$(cd "$(dirname "$0")" && pwd)
walker=$(cd "$WIN32" && pwd)/tests/e2e/porvane_screens.exe
if [ ! -f "$walker" ]; then
    echo "screenshots: $walker is missing; build the Win32 tree first" >&2
    exit 1
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
bmps=$(cd "$WIN32" && pwd)/screenshots
rm -rf "$bmps"
mkdir -p "$bmps"

"$here/wine-harness.sh" up || exit 1
trap '"$here/wine-harness.sh" down' EXIT

# Wine maps drive Z: to the host's root.
"$here/wine-harness.sh" exec "$walker" "Z:${bmps//\//\\}"
status=$?

# A complete walk replaces the whole sequence, so that a scene dropped or renumbered leaves no
# stale picture behind; a walk cut short only adds what it reached.
if [ $status -eq 0 ]; then
    rm -f "$out"/[0-9][0-9]-*.png
fi
for bmp in "$bmps"/*.bmp; do
    [ -e "$bmp" ] || continue
    png=$out/$(basename "${bmp%.bmp}").png
    # -strip leaves out the time stamps, so an unchanged picture gives an unchanged file.
    convert "$bmp" -strip "$png" && echo "screenshots: $png"
done
exit $status
