#!/usr/bin/env bash
# A long soak of the pages against the simulated lamp with random faults:
# builds the sanitizer build's soak test and runs the given number of
# sessions (default 2000), starting at session FIRST (default 0). A failing
# session prints its seed and steps; keep the seed as a named case in
# tests/pages/test_soak.cpp once the fault is fixed.
#   tools/soak.sh [sessions] [first]      (AQ_SOAK_BUILD: the build folder to use)
set -euo pipefail
cd "$(dirname "$0")/.."
sessions="${1:-2000}"
first="${2:-0}"
build="${AQ_SOAK_BUILD:-build/soak}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DAQ_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target pages_soak -j "$(nproc)"
QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions="$PWD/tools/lsan.supp" \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    AQ_SOAK_SESSIONS="$sessions" AQ_SOAK_FIRST="$first" \
    "$build"/tests/pages_soak --gtest_filter='Soak.*'
