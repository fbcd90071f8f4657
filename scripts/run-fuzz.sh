#!/bin/bash
# `make fuzz`: runs each fuzzer for SECONDS (default 300) on a working corpus in the build tree,
# seeded from tests/fuzz/corpus/<target>, and prints executions and coverage:
#   decoder      the payload decoder
#   description  the packer's product description parser
#   peresource   the packer's resource tree reader and the resource section rewrite
set -u
: "${NATIVE:?set NATIVE to the native build folder}"
seconds=${1:-300}
root=$(cd "$(dirname "$0")/.." && pwd)
failed=0

# run_fuzzer NAME [extra libFuzzer options...]
run_fuzzer() {
    local name=$1
    shift
    local fuzzer=$NATIVE/tests/fuzz/fuzz_$name
    local work=$NATIVE/tests/fuzz/corpus-$name
    local log=$NATIVE/tests/fuzz/fuzz_$name.log

    if [ ! -x "$fuzzer" ]; then
        echo "fuzz: $fuzzer is missing (clang++ not found when the build was configured?)" >&2
        return 1
    fi
    mkdir -p "$work"
    cp -n "$root"/tests/fuzz/corpus/"$name"/* "$work"/

    echo "fuzz: $name for $seconds s, corpus $work"
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 "$@" \
        -artifact_prefix="$NATIVE/tests/fuzz/$name-" "$work" >"$log" 2>&1
    local status=$?

    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
    echo "fuzz: $name corpus now $(ls "$work" | wc -l) inputs; full log in $log"
    if [ "$status" != 0 ]; then
        echo "fuzz: the $name fuzzer failed (exit $status):" >&2
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" >&2
    fi
    return $status
}

run_fuzzer decoder || failed=1
run_fuzzer description -max_len=8192 || failed=1
run_fuzzer peresource -max_len=8192 || failed=1
run_fuzzer installed -max_len=4096 || failed=1
exit $failed
