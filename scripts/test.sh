#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
# the full build (core, command-line tool, desktop program, headless GUI tests),
# the core again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"

echo "== release build and tests"
scripts/build.sh release
ctest --preset release

echo "== sanitizer build of the core and its tests"
scripts/build.sh asan
ctest --preset asan

if [ -d tests/fuzz ]; then
  echo "== fuzzing"
  scripts/build.sh fuzz
  scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
fi
