#!/usr/bin/env bash
# Builds the Debian package from this build, checks it as a distribution
# would (lintian errors, AppStream, desktop entries, man pages), unpacks it
# and runs the unpacked programs; then checks that an installation with
# DESTDIR writes nothing outside DESTDIR.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/quillmark-package-test-XXXXXX)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >/dev/null
deb=$(ls "$work"/cpack/quillmark-control_*_"$(dpkg --print-architecture)".deb)
echo "built $(basename "$deb")"

lintian --tag-display-limit 0 "$deb" 2>/dev/null | tee "$work/lintian.txt"
if grep -q '^E:' "$work/lintian.txt"; then echo "lintian found errors"; exit 1; fi

dpkg -x "$deb" "$work/root"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  warnings=$(MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
for size in 16 22 24 32 48 64 128 256; do
  test -s "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/quillmark-control.png"
done

version=$(sed -n 's/^project(QuillmarkControl VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/AltoControl" --version)" = "AltoControl $version" ]
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/TenorControl" --version)" = "TenorControl $version" ]
"$work/root/usr/bin/quillmark-emulator" --help | grep -q '^usage: quillmark-emulator'
grep -q "release version=\"$version\"" "$work"/root/usr/share/metainfo/*.metainfo.xml
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ]
echo "unpacked programs run: ok"

DESTDIR="$work/destdir" cmake --install "$build" --prefix /usr/local >/dev/null
# Every installed file, the udev rule and the modules-load file (absolute
# system paths) included, landed under DESTDIR.
while read -r installed; do
  [ -e "$work/destdir$installed" ] || { echo "not under DESTDIR: $installed"; exit 1; }
done < "$build/install_manifest.txt"
test -x "$work/destdir/usr/local/bin/AltoControl"
echo "DESTDIR installation stays inside DESTDIR: ok"
