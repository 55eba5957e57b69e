#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a scratch
# root and checks what a user gets: the file list, the package's relations,
# the installed programs running from there, and lintian's verdict.
#   check_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null) || fail "cpack could not build the package"
deb=$(ls "$scratch"/out/*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -x "$deb" "$scratch/root"

for f in usr/bin/aqlamp \
         usr/share/applications/org.aqlamp.Aqlamp.desktop \
         usr/share/metainfo/org.aqlamp.Aqlamp.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/org.aqlamp.Aqlamp.svg \
         usr/share/icons/hicolor/48x48/apps/org.aqlamp.Aqlamp.png \
         usr/share/icons/hicolor/256x256/apps/org.aqlamp.Aqlamp.png \
         usr/share/man/man1/aqlamp.1.gz \
         usr/share/doc/aqlamp/copyright usr/share/doc/aqlamp/changelog.gz; do
    [ -e "$scratch/root/$f" ] || fail "the package lacks /$f"
done
# Every program in the package has its man page.
for p in "$scratch"/root/usr/bin/*; do
    [ -e "$scratch/root/usr/share/man/man1/$(basename "$p").1.gz" ] \
        || fail "$(basename "$p") has no man page"
done
zcat "$scratch/root/usr/share/man/man1/aqlamp.1.gz" | grep -q 'simulate' \
    || fail "the man page does not list the program's options"

relations=$(dpkg-deb -f "$deb" Package Depends Recommends Suggests)
echo "$relations"
grep -q '^Package: aqlamp$' <<<"$relations" || fail "package name"
grep -q '^Depends: .*libqt6bluetooth6' <<<"$relations" || fail "Depends lacks Qt Bluetooth"
grep -q '^Recommends: bluez$' <<<"$relations" || fail "Recommends: bluez"
grep -q '^Suggests: mosquitto$' <<<"$relations" || fail "Suggests: mosquitto"

export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
version=$("$scratch/root/usr/bin/aqlamp" --version) || fail "the installed aqlamp does not run"
grep -q '^aqlamp [0-9]' <<<"$version" || fail "aqlamp --version printed: $version"
if [ -x "$scratch/root/usr/bin/aqlampctl" ]; then
    "$scratch/root/usr/bin/aqlampctl" --simulate info >/dev/null \
        || fail "the installed aqlampctl --simulate info failed"
fi

if command -v lintian >/dev/null; then
    report=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
    echo "$report"
    if grep -q '^E: ' <<<"$report"; then fail "lintian reports errors"; fi
else
    echo "lintian not installed: its check is skipped"
fi
echo "package checks passed"
