#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass their validators.
#   check_desktop_files.sh SOURCE_DIR
set -euo pipefail
dist="$1/dist"
status=0
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$dist/org.aqlamp.Aqlamp.desktop" || status=1
else
    echo "desktop-file-validate not installed: skipped"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$dist/org.aqlamp.Aqlamp.metainfo.xml" || status=1
else
    echo "appstreamcli not installed: skipped"
fi
exit $status
