#!/usr/bin/env bash
# The Debian packages as a distribution and a new user meet them: built twice
# from this commit (byte-identical), linted (lintian --pedantic: no error or
# warning), validated (AppStream, desktop entries, man pages), installed on
# this machine with apt, run (--version, --diagnose against the installed
# emulator), removed and purged with no file left and i2c-dev as it was.
# Then a CMake installation with DESTDIR stays inside DESTDIR, and its
# uninstall target takes it away again.
# BUILT_ONCE=1 builds once and leaves the comparison to another release's run
# (CI compares on one release, to keep its time). BUILT names a folder that
# build_packages.sh filled already (the packages built beside the tests).
# usage: package_test.sh BUILD_DIR SOURCE_DIR [BUILT]
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/quillmark-package-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(QuillmarkControl VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")

packages=${3:-$work}
[ -n "${3:-}" ] || "$source/tests/package/build_packages.sh" "$packages" "$source"
if [ -d "$packages/second" ]; then
  for name in quillmark-control quillmark-emulator; do
    cmp "$packages/first/${name}_${version}_$arch.deb" "$packages/second/${name}_${version}_$arch.deb"
  done
  echo "two builds of one commit give identical packages: ok"
fi
control="$packages/first/quillmark-control_${version}_$arch.deb"
emulator="$packages/first/quillmark-emulator_${version}_$arch.deb"

lintian --pedantic -I -E --tag-display-limit 0 "$control" "$emulator" 2>/dev/null |
  tee "$work/lintian.txt"
if grep -q '^[EW]:' "$work/lintian.txt"; then echo "lintian found errors or warnings"; exit 1; fi
echo "lintian --pedantic: ok"

for deb in "$control" "$emulator"; do dpkg -x "$deb" "$work/root"; done
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  warnings=$(MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  zgrep -q '^\.SH EXIT STATUS' "$page" || { echo "$page has no EXIT STATUS"; exit 1; }
done
for size in 16 22 24 32 48 64 128 256; do
  test -s "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/quillmark-control.png"
done
! dpkg-deb -c "$control" | grep -q 'quillmark-emulator' || { echo "emulator in quillmark-control"; exit 1; }
grep -q "release version=\"$version\"" "$work"/root/usr/share/metainfo/*.metainfo.xml
echo "validated: ok"

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the installation with apt is left out"
else
  i2c_dev_before=$(test -d /sys/module/i2c_dev && echo loaded || echo absent)
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q --no-install-recommends "$control" "$emulator" >/dev/null
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY AltoControl --version)" = "AltoControl $version" ]
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY TenorControl --version)" = "TenorControl $version" ]
  quillmark-emulator --help | grep -q '^usage: quillmark-emulator'
  runtime=$(mktemp -d /tmp/quillmark-package-run-XXXXXX)
  chmod 700 "$runtime"
  XDG_RUNTIME_DIR=$runtime quillmark-emulator --headless --model alto </dev/null &
  emulator_pid=$!
  for _ in $(seq 50); do ls "$runtime"/quillmark-displays/* >/dev/null 2>&1 && break; sleep 0.1; done
  report=$(env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$runtime" \
    XDG_RUNTIME_DIR=$runtime AltoControl --diagnose) || { echo "$report"; exit 1; }
  kill "$emulator_pid"; wait "$emulator_pid" || true
  rm -rf "$runtime"
  grep -q '^monitor: answered' <<<"$report" || { echo "$report"; exit 1; }
  echo "installed with apt, --diagnose answered by the installed emulator: ok"

  files=$( (dpkg -L quillmark-control; dpkg -L quillmark-emulator) | sort -u)
  apt-get remove -y -q quillmark-control quillmark-emulator >/dev/null
  apt-get purge -y -q quillmark-control quillmark-emulator >/dev/null
  while read -r path; do
    [ -d "$path" ] || [ ! -e "$path" ] || { echo "left behind: $path"; exit 1; }
  done <<<"$files"
  i2c_dev_after=$(test -d /sys/module/i2c_dev && echo loaded || echo absent)
  [ "$i2c_dev_before" = absent ] || [ "$i2c_dev_after" = loaded ] || {
    echo "purging unloaded i2c-dev"; exit 1; }
  echo "removed and purged, nothing left, i2c-dev $i2c_dev_after as it was: ok"
fi

DESTDIR="$work/destdir" cmake --install "$build" --prefix /usr/local >"$work/install.txt"
grep -q 'udev/rules.d/60-quillmark-i2c.rules /etc/udev/rules.d/' "$work/install.txt"
while read -r installed; do
  [[ "$installed" == /usr/local/* ]] || { echo "outside the prefix: $installed"; exit 1; }
  [ -e "$work/destdir$installed" ] || { echo "not under DESTDIR: $installed"; exit 1; }
done < "$build/install_manifest.txt"
(cd "$build" && DESTDIR="$work/destdir" cmake --build . --target uninstall >/dev/null)
[ -z "$(find "$work/destdir" -type f)" ] || { echo "uninstall left files"; exit 1; }
echo "CMake installation stays under its prefix and uninstalls: ok"
