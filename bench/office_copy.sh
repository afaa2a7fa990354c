#!/usr/bin/env bash
# Copy to LibreOffice Writer: command to text in the document, per result page of the corpus,
# against the office opening the same page itself. Needs LibreOffice, python3-uno and xvfb.
# Usage: bench/office_copy.sh [BUILD_DIR] [PAIR...]   (pairs by corpus prefix, default 01 04 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}; shift || true
pairs=("${@:-01 04 10}"); pairs=(${pairs[@]})
corpus=$root/../shared/corpus
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
pages=()
for p in "${pairs[@]}"; do
  old=$(ls "$corpus"/${p}_*_old.htm); new=${old%_old.htm}_new.htm
  name=$(basename "${old%_old.htm}")
  "$build/bin/parvel-cli" compare "$old" "$new" "$work/$name" >/dev/null
  cp "$root/data/"*.css "$work/$name/"
  pages+=("$work/$name/c1.htm")
done
export QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1400x1000x24" "$build/bin/office_copy" "${pages[@]}"
