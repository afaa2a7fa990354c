#!/usr/bin/env bash
# Cross-builds the Qt-free core, parvel-cli and the core tests for Windows (MinGW-w64), runs the
# tests under wine64, and checks that parvel-cli.exe writes the same pages as the Linux build:
#   scripts/build.sh release && scripts/windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$PWD/build/windows-core/wine} WINEDLLOVERRIDES="mscoree,mshtml="
scripts/build.sh windows-core
wine=/usr/lib/wine/wine64
"$wine" cmd /c exit 0 >/dev/null 2>&1 || true   # the first start makes the prefix

ctest --preset windows-core >build/windows-core/ctest.txt 2>&1 || { cat build/windows-core/ctest.txt; exit 1; }
passed=$(grep -o '\[  PASSED  \] [0-9]*' build/windows-core/ctest.txt | awk '{s += $4} END {print s + 0}')
failed=$(grep -c '\[  FAILED  \]' build/windows-core/ctest.txt || true)
echo "windows core tests under wine: $(grep -E 'tests passed' build/windows-core/ctest.txt)"
echo "wine: $passed passed, $failed failed"

corpus=${PARVEL_CORPUS:-../shared/corpus}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
pairs=0
for old in "$corpus"/*_old.htm; do
  pair=$(basename "$old" _old.htm)
  new=$corpus/${pair}_new.htm
  [ -f "$new" ] || continue
  linux=$(build/release/bin/parvel-cli compare "$old" "$new" "$out/linux/$pair")
  windows=$("$wine" build/windows-core/bin/parvel-cli.exe compare "$old" "$new" "$out/windows/$pair" | tr -d '\r')
  if [ "$linux" != "$windows" ] || ! cmp -s "$out/linux/$pair/c1.htm" "$out/windows/$pair/c1.htm" ||
     ! cmp -s "$out/linux/$pair/c2.htm" "$out/windows/$pair/c2.htm"; then
    echo "windows: parvel-cli.exe compare $pair differs from Linux ($windows changes, Linux $linux)" >&2
    exit 1
  fi
  pairs=$((pairs + 1))
done
((pairs > 0)) || { echo "windows: no corpus pairs in $corpus" >&2; exit 1; }
echo "windows: parvel-cli.exe compare wrote the same pages as Linux on $pairs corpus pairs"
