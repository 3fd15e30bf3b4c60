#!/usr/bin/env bash
# The menu entry, the file type and the software-centre entry pass their validators, and the
# entry declares the profile type that the MIME entry defines; the software centre shows the
# program's own version. Usage: desktop_files.sh RESOURCES VERSION
set -euo pipefail
resources=$1
version=$2
command -v desktop-file-validate >/dev/null && command -v appstreamcli >/dev/null &&
    command -v xmllint >/dev/null || { echo "validators not installed"; exit 77; }

desktop=$resources/com.orvane.Spectrel.desktop
desktop-file-validate "$desktop"
appstreamcli validate --no-net --explain "$resources/com.orvane.Spectrel.metainfo.xml"
xmllint --noout "$resources/com.orvane.Spectrel.mime.xml"

type=$(xmllint --xpath 'string(//*[local-name()="mime-type"]/@type)' \
    "$resources/com.orvane.Spectrel.mime.xml")
glob=$(xmllint --xpath 'string(//*[local-name()="glob"]/@pattern)' \
    "$resources/com.orvane.Spectrel.mime.xml")
grep -qx "MimeType=$type;" "$desktop" || { echo "the entry does not open $type"; exit 1; }
[ "$glob" = "*.spf" ] || { echo "profiles are not *.spf but $glob"; exit 1; }
grep -qx 'Exec=spectrel %f' "$desktop" || { echo "the entry does not pass the file"; exit 1; }
release=$(xmllint --xpath 'string(//release[1]/@version)' \
    "$resources/com.orvane.Spectrel.metainfo.xml")
[ "$release" = "$version" ] || { echo "the newest release is $release, not $version"; exit 1; }
