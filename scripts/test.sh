#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
# the full build (core, command-line tool, desktop program, headless GUI tests), the Debian
# package and its checks, the core cross-built for Windows with its tests under wine,
# the core again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"

echo "== release build and tests"
scripts/build.sh release
ctest --preset release

echo "== the Debian package and its checks"
scripts/deps-package.sh
start=$SECONDS
scripts/package.sh
echo "package checks took $((SECONDS - start)) s"

echo "== the core for Windows, its tests under wine"
start=$SECONDS
scripts/windows.sh
echo "Windows build and checks took $((SECONDS - start)) s"

echo "== sanitizer build of the core and its tests"
scripts/build.sh asan
ctest --preset asan

if [ -d tests/fuzz ]; then
  echo "== fuzzing"
  scripts/build.sh fuzz
  scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
fi
