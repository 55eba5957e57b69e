#!/usr/bin/env bash
# Builds everything under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test headless. Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)"
# The tests that drive worker threads, under ThreadSanitizer.
bash tools/run-tsan.sh
# Short bounded runs of every fuzz target (skipped without clang).
bash tools/fuzz.sh 30
