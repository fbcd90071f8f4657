#!/bin/bash
# `make bench`: codec figures, the decoder's instruction count per output byte, the time of packing
# Vantrel's installer, then the wall time of whole installations under Wine. NATIVE and WIN32 are
# the build folders, WINE_ROOT the harness's. PORVANE_PAYLOAD_DIR (folders joined by ':') says
# where this build's payload sources are; by default the linked product programs and product/text.
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

# Vantrel's installer written into the product-free installer by porvane-pack build, from its
# description and files: the time of the whole run and the share the compression takes (3 runs).
echo "== Packing: porvane-pack build of Vantrel's installer (3 runs)"
for run in 1 2 3; do
    "$NATIVE/tools/porvane-pack" build "$root/resources/vantrel.product" -o "$work/Porvane-packed.exe" \
        --inputs "$WIN32/product/bin" --inputs "$root" --base "$WIN32/wizard/PorvaneBase.exe" \
        --uninstaller-base "$WIN32/product/TolvangrBase.exe" | sed -n 's/.* bytes written to .* in /   run '"$run"': /p' \
        || exit 1
done

# A whole default installation under Wine, the driver answering each page as soon as it appears
# (it looks at the windows every 50 ms, and every millisecond for a moment after the installer
# creates a window, so its answers cost the installation next to nothing), against the waits the
# installer's design fixes: the start timers of the backdrop, the installing
# page and the shortcut page (3 x 250 ms), 500 ms before each of the 7 files, 1000 ms after the
# last, 200 ms after each of the 5 shortcuts and 500 ms after the last, 500 ms before the group
# page closes. On top of those come 10 ms after each visible change of the installing page's bar:
# a 1024-byte block is less than half a percent of this payload, so the bar passes through all
# 200 of its values one at a time. The work between two of these pauses (a block decoded and
# written, the bar painted, a link saved, the journal's records) falls inside the pauses, which
# keep one cadence; what is left above the fixed waits is the start of the process and the
# making of the pages.
# Processor time comes from /proc/<pid>/stat (user + system) of the installer's Unix process,
# read until it ends, and of this prefix's wineserver, before and after the run; the server's
# share includes the driver's own requests.
echo "== Installation: wall and processor time of a whole unattended installation under Wine (3 runs)"
driver=$(cd "$WIN32" && pwd)/tests/e2e/porvane_unattended.exe
if [ ! -f "$driver" ]; then
    echo "   $driver is missing; build the Win32 tree first" >&2
    exit 1
fi
: "${WINE_ROOT:?set WINE_ROOT to the Wine harness folder}"
"$root/scripts/wine-harness.sh" up >/dev/null 2>&1 </dev/null || exit 1
trap '"$root/scripts/wine-harness.sh" down >/dev/null 2>&1' EXIT
prefix=$(cd "$WINE_ROOT" && pwd)/prefix
tick_ms=$((1000 / $(getconf CLK_TCK)))

# The pid of this prefix's process whose name starts with $1.
prefix_pid() {
    local dir name
    for dir in /proc/[0-9]*; do
        read -r name 2>/dev/null <"$dir/comm" || continue
        [[ $name == "$1"* ]] || continue
        grep -qzxF "WINEPREFIX=$prefix" "$dir/environ" 2>/dev/null && { echo "${dir#/proc/}"; return 0; }
    done
    return 1
}
# User + system time of a process in clock ticks; fails once it is gone.
cpu_ticks() {
    local stat fields
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    read -ra fields <<<"${stat##*) }"
    echo $((fields[11] + fields[12]))
}

server=$(prefix_pid wineserver) || { echo "   no wineserver runs for $prefix" >&2; exit 1; }
# Others' work on the machine stretches every step: the figures hold for the load they ran under.
echo "   load average before the runs: $(cut -d ' ' -f 1-3 /proc/loadavg)"
fixed=$((3 * 250 + 7 * 500 + 1000 + 5 * 200 + 500 + 500))
bar=$((200 * 10))
times=()
shares=()
steps=()
for run in 1 2 3; do
    out=$(mktemp)
    server_before=$(cpu_ticks "$server")
    "$root/scripts/wine-harness.sh" exec "$driver" --bench >"$out" 2>&1 &
    driver_pid=$!
    installer="" installer_ticks=0
    while kill -0 "$driver_pid" 2>/dev/null; do
        [ -n "$installer" ] || installer=$(prefix_pid Porvane.exe) || installer=""
        if [ -n "$installer" ]; then
            t=$(cpu_ticks "$installer") && installer_ticks=$t
        fi
        sleep 0.02
    done
    wait "$driver_pid" || { cat "$out" >&2; exit 1; }
    server_after=$(cpu_ticks "$server")
    ms=$(sed -n 's/^installation: \([0-9]*\) ms.*/\1/p' "$out" | tr -d '\r')
    steps+=("$(grep '^step: ' "$out" | tr -d '\r' | tr '\n' ';')")
    rm -f "$out"
    [ -n "$ms" ] || { echo "   run $run printed no time" >&2; exit 1; }
    [ -n "$installer" ] || { echo "   run $run: the installer's process was not found" >&2; exit 1; }
    times+=("$ms")
    line=$(awk -v run="$run" -v wall="$ms" -v inst=$((installer_ticks * tick_ms)) \
        -v srv=$(((server_after - server_before) * tick_ms)) 'BEGIN {
        printf "%.1f    run %d: %6d ms wall; processor: installer %5d ms, wine server %5d ms, together %4.1f %% of wall\n",
               100 * (inst + srv) / wall, run, wall, inst, srv, 100 * (inst + srv) / wall
    }')
    shares+=("${line%% *}")
    echo "${line#* }"
done
# Where the time of the median run goes: each step from the driver's answer (or the start) until
# the next page or box, beside the fixed waits inside it (the bar's included).
median_run=$(for i in 0 1 2; do echo "${times[$i]} $i"; done | sort -n | sed -n '2s/.* //p')
echo "   steps of the median run (wall, fixed waits in it, the rest):"
printf '%s' "${steps[$median_run]}" | tr ';' '\n' | awk -v fixed="0 250 0 0 6750 0 2250 0 0" '
    BEGIN { n = split(fixed, f, " ") }
    /^step: / { i++; ms = $2; $1 = ""; $2 = ""; $3 = ""; sub(/^ +/, "")
                printf "     %-36s %6d ms  %5d ms  %+5d ms\n", $0, ms, f[i], ms - f[i] }
    END { if (i != n) printf "     (%d steps, %d expected)\n", i, n }'

share=$(printf '%s\n' "${shares[@]}" | sort -n | sed -n 2p)
echo "   median processor time (installer + wine server): $share % of wall time"
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
awk -v wall="$median" -v fixed="$fixed" -v bar="$bar" 'BEGIN {
    printf "   median wall: %d ms\n", wall
    printf "   fixed waits: %d ms (timers 3 x 250, files 7 x 500 + 1000, shortcuts 5 x 200 + 500, group 500)\n", fixed
    printf "   ratio wall / fixed waits: %.2f\n", wall / fixed
    printf "   with the bar pauses (200 x 10 ms): %d ms, ratio %.2f\n", fixed + bar, wall / (fixed + bar)
}'
