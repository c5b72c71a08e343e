#!/usr/bin/env bash
# Runs the end-to-end acceptance test once under valgrind memcheck, on a Debug build.
# Slow (several minutes): not part of the normal test run.
#
#   scripts/valgrind.sh [build-dir]        default build-dir: build-valgrind
#
# Exits 0 when memcheck found no errors and the test passed; the memcheck log is kept in
# <build-dir>/valgrind/memcheck.log. QUENDA_E2E_SLOW (default 10) stretches the test's waits.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-valgrind}"
log_dir="$build/valgrind"
suppressions="scripts/valgrind.supp"

if ! command -v valgrind >/dev/null; then
    echo "valgrind is not installed (Debian: apt-get install valgrind)" >&2
    exit 2
fi

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENDA_BUILD_BENCHMARKS=OFF \
        >/dev/null
fi
cmake --build "$build" --target tst_acceptance

mkdir -p "$log_dir"
log="$log_dir/memcheck.log"
args=(
    --tool=memcheck
    --error-exitcode=99
    --track-origins=yes
    --leak-check=full
    --errors-for-leak-kinds=definite
    --show-leak-kinds=definite
    --num-callers=30
    --log-file="$log"
)
[ -f "$suppressions" ] && args+=(--suppressions="$suppressions")

echo "== memcheck: $build/bin/tst_acceptance (log: $log)"
status=0
QT_QPA_PLATFORM=offscreen QUENDA_E2E_SLOW="${QUENDA_E2E_SLOW:-10}" \
    valgrind "${args[@]}" "$build/bin/tst_acceptance" || status=$?

errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$log" | tail -n 1)
echo "== memcheck summary"
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost' "$log" | sed 's/^==[0-9]*== //'
if [ "$status" -eq 99 ] || [ "${errors:-0}" != 0 ]; then
    echo "memcheck found errors; see $log"
    exit 1
fi
if [ "$status" -ne 0 ]; then
    echo "the test itself failed under valgrind (exit $status)"
    exit "$status"
fi
echo "no memcheck errors"
