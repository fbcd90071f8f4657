#!/bin/bash
# Every test: native (with the fuzz smoke run), then the Win32 and end-to-end tests under Wine.
# Prints the totals of each level; fails when any test fails.
set -u
: "${NATIVE:?}" "${WIN32:?}" "${WINE_ROOT:?}"
here=$(cd "$(dirname "$0")" && pwd)
export PORVANE_TZ=Europe/Berlin

"$here/wine-harness.sh" up || exit 1
trap '"$here/wine-harness.sh" down' EXIT

status=0
summary=""
run_level() {
    local name=$1 dir=$2 log
    log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure -j "${JOBS:-2}" --timeout 600 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    summary+="$name: $(grep -E 'tests passed' "$log" | tail -1)"$'\n'
    rm -f "$log"
    [ "$rc" = 0 ] || status=1
}

run_level "native" "$NATIVE"
run_level "win32 + end to end (Wine)" "$WIN32"

echo
echo "== Totals"
printf '%s' "$summary"
exit $status
