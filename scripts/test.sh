#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the plain build, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== include rules of the layers"
bash scripts/check-layers.sh

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENDA_SANITIZE=ON \
    -DQUENDA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -x scripts/fuzz.sh ]; then
    echo "== fuzzing"
    FUZZ_SECONDS="${FUZZ_SECONDS:-30}" bash scripts/fuzz.sh
fi
