#!/bin/bash
# `make fuzz`: runs the decoder fuzzer for SECONDS (default 300) on a working corpus in the build
# tree, seeded from tests/fuzz/corpus/decoder, and prints executions and coverage.
set -u
: "${NATIVE:?set NATIVE to the native build folder}"
seconds=${1:-300}
root=$(cd "$(dirname "$0")/.." && pwd)
fuzzer=$NATIVE/tests/fuzz/fuzz_decoder
work=$NATIVE/tests/fuzz/corpus-decoder
log=$NATIVE/tests/fuzz/fuzz_decoder.log

if [ ! -x "$fuzzer" ]; then
    echo "fuzz: $fuzzer is missing (clang++ not found when the build was configured?)" >&2
    exit 1
fi
mkdir -p "$work"
cp -n "$root"/tests/fuzz/corpus/decoder/* "$work"/

echo "fuzz: decoder for $seconds s, corpus $work"
"$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$NATIVE/tests/fuzz/" "$work" >"$log" 2>&1
status=$?

grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
echo "fuzz: corpus now $(ls "$work" | wc -l) inputs; full log in $log"
if [ "$status" != 0 ]; then
    echo "fuzz: the fuzzer failed (exit $status):" >&2
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" >&2
fi
exit $status
