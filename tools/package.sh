#!/usr/bin/env bash
# Builds the Debian package (aqlamp_<version>_<arch>.deb).
#   bash tools/package.sh            configures and builds the optimised preset first
#   bash tools/package.sh BUILD_DIR  packages what an existing build folder holds
# The package lands in BUILD_DIR/package.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-}
if [ -z "$build" ]; then
    bash tools/setup.sh
    cmake --preset default >/dev/null
    build=build/default
fi
# Only what the package holds needs building.
targets=(aqlamp aq_man_pages aq_changelog)
# The whole list is read first: grep -q leaving early would break the pipe.
known=$(cmake --build "$build" --target help)
for t in aqlampctl aqlamp-mqtt; do
    if grep -q "^$t:" <<<"$known"; then targets+=("$t"); fi
done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
out="$(cd "$build" && pwd)/package"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
ls "$out"/*.deb
