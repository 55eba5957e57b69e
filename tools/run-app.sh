#!/usr/bin/env bash
# Builds the application and starts it. Without arguments it serves simulated
# lamps (no Bluetooth hardware needed); pass --real to talk to real lamps.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target aqlamp
if [ "${1:-}" = "--real" ]; then
    shift
    exec build/default/src/app/aqlamp "$@"
fi
exec build/default/src/app/aqlamp --simulate "$@"
