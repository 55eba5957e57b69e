#!/usr/bin/env bash
# Builds the tests that drive worker threads under ThreadSanitizer and runs
# them. Exits non-zero on a failed test or a race report.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
cmake --preset tsan >/dev/null
targets=$(ctest --test-dir build/tsan -L threads -N | awk '/Test +#[0-9]+:/ {print $3}')
cmake --build --preset tsan -j "$(nproc)" --target $targets
ctest --preset tsan -j "$(nproc)"
