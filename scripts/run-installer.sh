#!/bin/bash
# `make run`: the installer under Wine, on $DISPLAY when there is one, else headless in Xvfb.
set -u
exe=${1:?usage: run-installer.sh Porvane.exe}
here=$(cd "$(dirname "$0")" && pwd)
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")

if [ -n "${DISPLAY:-}" ]; then
    "$here/wine-harness.sh" up --display || exit 1
else
    "$here/wine-harness.sh" up || exit 1
    echo "run: no DISPLAY; the installer runs headless in Xvfb"
fi
trap '"$here/wine-harness.sh" down' EXIT
"$here/wine-harness.sh" exec "$exe"
echo "run: Porvane.exe exited with code $?"
