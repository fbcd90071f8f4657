#!/bin/bash
# `make run`: the installer under Wine. With $DISPLAY it opens there for a person to click through.
# Without one nobody can click, so porvane_unattended.exe of the Win32 build drives one whole
# default installation in Xvfb, saves a PNG of each page in BUILD/run-screenshots and prints what
# was installed where. WINE_ROOT is BUILD/wine; WIN32 defaults to BUILD/win32.
set -u
exe=${1:?usage: run-installer.sh Porvane.exe}
: "${WINE_ROOT:?set WINE_ROOT to the Wine harness folder}"
here=$(cd "$(dirname "$0")" && pwd)
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
build=$(dirname "$WINE_ROOT")
win32=${WIN32:-$build/win32}

if [ -n "${DISPLAY:-}" ]; then
    "$here/wine-harness.sh" up --display || exit 1
    trap '"$here/wine-harness.sh" down' EXIT
    "$here/wine-harness.sh" exec "$exe"
    echo "run: Porvane.exe exited with code $? (1 on every path, finished or not)"
    exit 0
fi

driver=$(cd "$win32" 2>/dev/null && pwd)/tests/e2e/porvane_unattended.exe
installer=$(cd "$win32" 2>/dev/null && pwd)/wizard/Porvane.exe
if [ ! -f "$driver" ]; then
    echo "run: $driver is missing; build the Win32 tree first" >&2
    exit 1
fi
# The driver starts the installer of its own build; dist/Porvane.exe is a copy of it.
if ! cmp -s "$exe" "$installer"; then
    echo "run: $exe differs from $installer, which the unattended run installs from" >&2
    exit 1
fi

shots=$build/run-screenshots
bmps=$win32/run-screenshots-bmp
rm -rf "$shots" "$bmps"
mkdir -p "$shots" "$bmps"

echo "run: no DISPLAY, so nobody can click: one default installation runs unattended in Xvfb"
"$here/wine-harness.sh" up || exit 1
trap '"$here/wine-harness.sh" down' EXIT

# Wine maps drive Z: to the host's root.
"$here/wine-harness.sh" exec "$driver" "Z:${bmps//\//\\}"
status=$?

echo
echo "Screenshots of the pages, in $shots:"
for bmp in "$bmps"/*.bmp; do
    [ -e "$bmp" ] || continue
    png=$shots/$(basename "${bmp%.bmp}").png
    convert "$bmp" -strip "$png" && echo "  $(basename "$png")"
done
rm -rf "$bmps"

if [ $status -eq 0 ]; then
    echo "run: the installation completed"
else
    echo "run: the installation did not complete (status $status); see the messages above" >&2
fi
exit $status
