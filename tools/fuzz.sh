#!/usr/bin/env bash
# Runs every libFuzzer target for the given seconds (default 30) from its seed
# corpus and its kept regression inputs. Needs clang; without it, says so and
# succeeds. Exits non-zero when a target finds a crash, a hang or a leak; the
# input is left in build/fuzz/artifacts. For a long run: tools/fuzz.sh 3600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ not found, fuzzing skipped"
    exit 0
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
mkdir -p build/fuzz/artifacts
status=0
for src in fuzz/fuzz_*.cpp; do
    target=$(basename "$src" .cpp)
    name=${target#fuzz_}
    work=$(mktemp -d)
    cp fuzz/corpus/"$name"/* "$work"/ 2>/dev/null || true
    dirs=("$work")
    [ -d fuzz/regressions/"$name" ] && dirs+=(fuzz/regressions/"$name")
    log=build/fuzz/artifacts/"$name".log
    if build/fuzz/fuzz/"$target" "${dirs[@]}" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix=build/fuzz/artifacts/"$name"- >"$log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
        echo "fuzz: $name: $runs executions in ${seconds}s, nothing found"
    else
        echo "fuzz: $name: FAILED, see $log"
        tail -30 "$log"
        status=1
    fi
    rm -rf "$work"
done
exit $status
