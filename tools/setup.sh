#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-connectivity-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
          clang libclang-rt-14-dev dbus dbus-daemon
          qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
          help2man gzip file dpkg-dev desktop-file-utils appstream lintian
          mosquitto mosquitto-clients libmosquitto-dev)
# The layering check and the mutation tool are Python scripts.
packages+=(python3)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
