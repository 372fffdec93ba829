#!/usr/bin/env bash
# Builds the Debian packages of this commit into OUT/first, and a second time
# into OUT/second unless BUILT_ONCE=1, for package_test.sh to compare.
# usage: build_packages.sh OUT SOURCE_DIR
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
source=$(cd "$2" && pwd)
runs=(first second)
[ "${BUILT_ONCE:-0}" = 1 ] && runs=(first)
for run in "${runs[@]}"; do
  rm -rf "$out/build-package"
  BUILD_DIR="$out/build-package" PACKAGE_DIR="$out/$run" "$source/scripts/package" >/dev/null
done
rm -rf "$out/build-package"
