#!/usr/bin/env bash
# `cmake --install` puts exactly the expected files into the GNU directories.
#   check_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
expected=$(
    printf '%s\n' bin/aqlamp share/man/man1/aqlamp.1.gz \
        share/applications/org.aqlamp.Aqlamp.desktop \
        share/metainfo/org.aqlamp.Aqlamp.metainfo.xml \
        share/icons/hicolor/scalable/apps/org.aqlamp.Aqlamp.svg \
        share/doc/aqlamp/copyright share/doc/aqlamp/changelog.gz
    for s in 16 32 48 64 128 256; do echo "share/icons/hicolor/${s}x${s}/apps/org.aqlamp.Aqlamp.png"; done
    for p in aqlampctl aqlamp-mqtt; do
        if [ -e "$prefix/bin/$p" ]; then echo "bin/$p"; echo "share/man/man1/$p.1.gz"; fi
    done
    [ -e "$prefix/bin/aqlampctl" ] && echo share/bash-completion/completions/aqlampctl
    [ -e "$prefix/bin/aqlamp-mqtt" ] && echo lib/systemd/user/aqlamp-mqtt.service
    true
)
expected=$(sort <<<"$expected")
if [ "$actual" != "$expected" ]; then
    echo "FAIL: the install tree differs from what is expected" >&2
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    exit 1
fi
echo "install tree: $(wc -l <<<"$actual") files as expected"
