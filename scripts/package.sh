#!/usr/bin/env bash
# Makes the Debian package from the release build and checks it: lintian, the desktop entry,
# the AppStream metainfo, and the programs run from the unpacked package.
#   scripts/build.sh release && scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/parvel_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Depends Recommends

echo "-- lintian"
# Errors fail the run; warnings and the rest are listed.
lintian --display-info --tag-display-limit 0 \
  --fail-on error "$deb" | tee "$build/lintian.txt"
echo "lintian: $(grep -c '^E:' "$build/lintian.txt" || true) errors, $(grep -c '^W:' "$build/lintian.txt" || true) warnings"

echo "-- desktop entry and metainfo"
desktop-file-validate packaging/ru.parvel.parvel.desktop
appstreamcli validate --no-net --explain packaging/ru.parvel.parvel.metainfo.xml

echo "-- the unpacked package against the build"
tests/package/check_unpacked.sh "$deb" "$build/bin" "${PARVEL_CORPUS:-../shared/corpus}"
