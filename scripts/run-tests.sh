#!/bin/bash
# Every test: native (with the fuzz smoke run), then the Win32 and end-to-end tests under Wine.
# Prints the totals of each level; fails when any test fails.
# The Wine level runs HARNESSES tests side by side, each in a harness of its own (a prefix, an
# Xvfb display and a wineserver): most of its time is spent in the installer's timed waits, not on
# the processor, so more harnesses than cores still pay.
set -u
: "${NATIVE:?}" "${WIN32:?}" "${WINE_ROOT:?}"
here=$(cd "$(dirname "$0")" && pwd)
export PORVANE_TZ=Europe/Berlin
harnesses=${HARNESSES:-4}

"$here/wine-harness.sh" up --pool "$harnesses" || exit 1
# The pool lives for this run: what its tests left running goes with it.
trap '"$here/wine-harness.sh" down-pool; "$here/wine-harness.sh" down' EXIT

status=0
summary=""
run_level() {
    local name=$1 dir=$2 jobs=$3 log
    shift 3
    log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600 "$@" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    summary+="$name: $(grep -E 'tests passed' "$log" | tail -1); $(grep -E 'Total Test time' "$log" | tail -1 | sed 's/ *Total Test time (real) = *//')"$'\n'
    rm -f "$log"
    [ "$rc" = 0 ] || status=1
}

run_level "native" "$NATIVE" "${JOBS:-2}"
run_level "win32 + end to end (Wine)" "$WIN32" "$harnesses" --resource-spec-file "$WINE_ROOT/pool/resources.json"

echo
echo "== Totals"
printf '%s' "$summary"
exit $status
