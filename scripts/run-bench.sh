#!/bin/bash
# `make bench`: codec figures, then the decoder's instruction count per output byte.
# NATIVE and WIN32 are the build folders. PORVANE_PAYLOAD_DIR (folders joined by ':') says where
# this build's payload sources are; by default the linked product programs and product/text.
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
