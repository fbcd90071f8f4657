#!/bin/bash
# `make bench`: codec figures, the decoder's instruction count per output byte, then the wall time
# of whole installations under Wine. NATIVE and WIN32 are the build folders, WINE_ROOT the
# harness's. PORVANE_PAYLOAD_DIR (folders joined by ':') says where this build's payload sources
# are; by default the linked product programs and product/text.
set -u
: "${NATIVE:?set NATIVE to the native build folder}" "${WIN32:?set WIN32 to the win32 build folder}"
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$NATIVE/bench/porvane_bench
work=$NATIVE/bench
payloads=${PORVANE_PAYLOAD_DIR:-$WIN32/product/bin:$root/product/text}

echo "== English text for the measurements ($work/english.txt)"
"$bench" --make-text "$work/english.txt" || exit 1

echo "== Codec: sizes and speeds"
"$bench" --text "$work/english.txt" --payload-dir "$payloads" || exit 1

echo "== Decoder: instructions per output byte (callgrind, whole decode of the English text)"
"$bench" --compress "$work/english.txt" "$work/english.lzh" || exit 1
valgrind --tool=callgrind --toggle-collect='decodePayload*' --callgrind-out-file="$work/callgrind.decode" \
    "$bench" --decode "$work/english.lzh" >"$work/decode.out" 2>"$work/callgrind.log" || exit 1
bytes=$(cat "$work/decode.out")
ir=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/callgrind.log")
awk -v ir="$ir" -v bytes="$bytes" \
    'BEGIN { printf "   %d Ir for %d bytes out: %.1f Ir per output byte\n", ir, bytes, ir / bytes }'

# A whole default installation under Wine, the driver answering each page as soon as it appears,
# against the waits the installer's design fixes: the start timers of the backdrop, the installing
# page and the shortcut page (3 x 250 ms), 500 ms before each of the 7 files, 1000 ms after the
# last, 200 ms after each of the 5 shortcuts and 500 ms after the last, 500 ms before the group
# page closes. On top of those come 10 ms after each visible change of the installing page's bar:
# a 1024-byte block is less than half a percent of this payload, so the bar passes through all
# 200 of its values one at a time.
echo "== Installation: wall time of a whole unattended installation under Wine (3 runs)"
driver=$(cd "$WIN32" && pwd)/tests/e2e/porvane_unattended.exe
if [ ! -f "$driver" ]; then
    echo "   $driver is missing; build the Win32 tree first" >&2
    exit 1
fi
: "${WINE_ROOT:?set WINE_ROOT to the Wine harness folder}"
"$root/scripts/wine-harness.sh" up >/dev/null || exit 1
trap '"$root/scripts/wine-harness.sh" down' EXIT
fixed=$((3 * 250 + 7 * 500 + 1000 + 5 * 200 + 500 + 500))
bar=$((200 * 10))
times=()
for run in 1 2 3; do
    line=$("$root/scripts/wine-harness.sh" exec "$driver" --bench) || { echo "$line" >&2; exit 1; }
    ms=$(sed -n 's/^installation: \([0-9]*\) ms.*/\1/p' <<<"$line" | tr -d '\r')
    [ -n "$ms" ] || { echo "   run $run printed no time: $line" >&2; exit 1; }
    times+=("$ms")
    printf "   run %d: %6d ms from the installer's start to its end\n" "$run" "$ms"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
awk -v wall="$median" -v fixed="$fixed" -v bar="$bar" 'BEGIN {
    printf "   median: %d ms\n", wall
    printf "   fixed waits: %d ms (timers 3 x 250, files 7 x 500 + 1000, shortcuts 5 x 200 + 500, group 500)\n", fixed
    printf "   ratio wall / fixed waits: %.2f\n", wall / fixed
    printf "   with the bar pauses (200 x 10 ms): %d ms, ratio %.2f\n", fixed + bar, wall / (fixed + bar)
}'
