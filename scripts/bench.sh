#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench), runs them all, and prints a markdown summary
# on stdout. Each program's own output goes to build-bench/bench-logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
logs="$build/bench-logs"
benches=(bench_parse bench_portscan bench_startup bench_session bench_commlog)
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

echo "== configure and build (Release, $build)" >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENDA_BUILD_BENCHMARKS=ON \
    >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${benches[@]}" >&2

mkdir -p "$logs"
results="$logs/results.tsv"
: >"$results"
for bench in "${benches[@]}"; do
    exe="$build/bin/$bench"
    if [ ! -x "$exe" ]; then
        echo "== $bench: not built (Google Benchmark missing?), skipped" >&2
        continue
    fi
    echo "== $bench" >&2
    args=()
    case "$bench" in
        bench_parse | bench_portscan) args=(--benchmark_color=false) ;;
    esac
    if ! "$exe" "${args[@]}" >"$logs/$bench.log" 2>&1; then
        echo "$bench failed; its output:" >&2
        cat "$logs/$bench.log" >&2
        exit 1
    fi
    grep -o 'RESULT.*' "$logs/$bench.log" | cut -f2- >>"$results" || true
done

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//' || true)
echo "## QUENDA benchmarks"
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), ${cpu:-unknown CPU}, $(nproc) cores," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg), Release build, offscreen platform."
echo
echo "| Measure | Value | Unit | What |"
echo "|---|---:|---|---|"
while IFS=$'\t' read -r key value unit what; do
    case "$unit" in
        ms | MB/s) value=$(printf '%.2f' "$value") ;;
        KiB) value=$(printf '%.0f' "$value") ;;
    esac
    echo "| $key | $value | $unit | $what |"
done <"$results"
