#!/usr/bin/env bash
# cmake --install into a temporary prefix yields every file of the installation and no other,
# and the man pages read with man. Usage: install_tree.sh BUILD
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
expected=(
    bin/spectrel bin/spectrelctl bin/spectrel-sim
    share/applications/com.orvane.Spectrel.desktop
    share/mime/packages/com.orvane.Spectrel.xml
    share/metainfo/com.orvane.Spectrel.metainfo.xml
    share/icons/hicolor/scalable/apps/com.orvane.Spectrel.svg
    share/doc/spectrel/spectrel.pdf share/doc/spectrel/copyright share/doc/spectrel/changelog.gz
    share/man/man1/spectrel.1.gz share/man/man1/spectrelctl.1.gz share/man/man1/spectrel-sim.1.gz)
for size in 16 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/com.orvane.Spectrel.png")
done
status=0
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || { echo "missing from the installation: $file"; status=1; }
done
for program in spectrel spectrelctl spectrel-sim; do
    [ -x "$prefix/bin/$program" ] || { echo "not executable: bin/$program"; status=1; }
done
# Every file installed is one the installation is meant to have.
while IFS= read -r file; do
    printf '%s\n' "${expected[@]}" | grep -qxF "$file" || { echo "unexpected: $file"; status=1; }
done < <(cd "$prefix" && find . -type f -printf '%P\n')

# The pages read as pages, with the options of the programs' --help.
for check in "spectrel|--simulate" "spectrelctl|scan" "spectrel-sim|--no-pacing"; do
    program=${check%%|*}
    option=${check#*|}
    page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$program.1.gz" 2>/dev/null)
    grep -q -- "$option" <<<"$page" || { echo "man $program does not show $option"; status=1; }
    grep -q "^NAME" <<<"$page" || { echo "man $program has no NAME section"; status=1; }
done
exit $status
