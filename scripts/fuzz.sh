#!/usr/bin/env bash
# Builds every fuzz/fuzz_*.cpp with clang and libFuzzer and runs each for FUZZ_SECONDS
# (default 60). Prints one summary line per target; exits non-zero when any target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz

targets=()
for source in fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in fuzz/"; exit 1; }

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENDA_FUZZ=ON -DQUENDA_BUILD_TESTS=OFF -DQUENDA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

# Small seeds, made fresh on every run; the corpora the fuzzer grows stay in the build folder.
seed() {
    local target=$1 dir=$2
    case "$target" in
    fuzz_reportparser)
        printf 'AT&V\r\nS/N=K7V40012 \r\nS101=2 S102=7 S103=5 S105=1234 S108=30 S110=1\r\nS125=1 S127=0 S131=5 S132=5 S158=0 S186=1 S191=0 S192=0\r\nOK\r\n' \
            >"$dir/report"
        {
            printf 'ATP0?\r\nCH  ----------------------------------------\r\n\r\n'
            printf '%-20s%-18s%-13s%s\r\n' 5 433.125000 '12.5 KHz' 'Rx&Tx' 12 470.000000 '25   KHz' Rx
            printf '\r\nOK\r\n'
        } >"$dir/listing"
        ;;
    fuzz_channelfile)
        for n in $(seq 0 63); do
            if [ $((n % 5)) -eq 0 ]; then printf '%d\t433.%06d\t12.5 KHz\tRx&Tx\r\n' "$n" $((n * 25000))
            else printf '%d\t\t\t\r\n' "$n"; fi
        done >"$dir/export"
        printf '5 433.125000 12.5 KHzRx&Tx\r\nChannel\tFrequency(MHz)\tBW\tDIR\r\n\r\n7\t1\t2\t3\r\n' >"$dir/mixed"
        ;;
    fuzz_receivehandler)
        # Real transcripts: the first byte picks the save, 0xFF parts the chunks.
        local report listing prompt
        report=$(printf 'AT&V\r\nK7V4 UHF DATA RADIO MODEM\r\nS/N: 21040517\r\nS101=2\r\nS102=7\r\nS103=5\r\nS105=1\r\nS108=30\r\nS110=1\r\nS125=2\r\nS127=0\r\nS131=1\r\nS132=1\r\nS158=0\r\nS186=0\r\nS191=1\r\nS192=1\r\nOK\r\n')
        listing=$(printf 'ATP0?\r\nCH  ----------------------------------------\r\n\r\n%-20s%-18s%-13s%s\r\n\r\nOK\r\n' 1 433.125000 '25   KHz' 'Rx&Tx')
        prompt='Enter Channel Number (0 to 63)                          : '
        printf '\010\r\nNO CARRIER\r\nOK\r\n\377%s\377%s' "$report" "$listing" >"$dir/read"
        printf '\001pmiv%%ok\r\n%s\3772\r\nEnter Frequency?(410000000 to 480000000Hz, 0 to delete) : \377433500000\r\nEnter Bandwidth (0-6.25kHz, 1-12.5kHz, 2-25kHz)         : \3771\r\nEnter Channel Direction (0-Rx, 1-Tx, 2-Rx&Tx)           : \3772\r\n%s\377: \r\nOK\r\n' "$prompt" "$prompt" >"$dir/channels"
        {
            printf '\000'
            for r in 102 110 186 101 127 103 105 108 158 125 131 132 191 192; do printf 'ats%s=1\r\nOK\r\n\377' "$r"; done
            printf 'at&w\r\nOK\r\n\377%s' "$report"
        } >"$dir/registers"
        printf '\000ats102=7\r\nERROR\r\n' >"$dir/error"
        ;;
    fuzz_profile)
        # The example of the format document, as a file of its own.
        sed -n '/^```json$/,/^```$/p' docs/profile-format.md | sed '1d;$d' >"$dir/example.json"
        ;;
    esac
}

failed=0
summary=()
for target in "${targets[@]}"; do
    work="$build/fuzz-run/$target"
    rm -rf "$work/seeds" "$work/artifacts"
    mkdir -p "$work/corpus" "$work/seeds" "$work/artifacts"
    seed "$target" "$work/seeds"

    echo "== $target: ${seconds}s"
    status=0
    # The window of the receive handler target lives for the whole process, on purpose.
    leaks=1
    [ "$target" = fuzz_receivehandler ] && leaks=0
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=$leaks}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
        "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 -max_len=8192 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" "$work/seeds" >"$work/log" 2>&1 || status=$?

    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
    if [ -z "$execs" ]; then
        # A crash ends the run before the final statistics; take the last progress line.
        execs=$(grep -o '^#[0-9]*' "$work/log" | tail -n 1 | tr -d '#')
    fi
    crashes=$(find "$work/artifacts" -type f | wc -l)
    if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then
        crashes=1 # died without leaving an input behind
    fi
    line="$target: ${execs:-0} executions, $crashes crashes"
    if [ "$crashes" -gt 0 ]; then
        failed=1
        line+=" (see $work/log and $work/artifacts)"
        tail -n 30 "$work/log"
    fi
    summary+=("$line")
done

echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
