#!/usr/bin/env bash
# Printing both result pages of a corpus pair to PDF without the window (parvel --print-pdf:
# compare, load both pages into views, render, lay the footer over every page), beside
# LibreOffice Writer converting the same two result pages to PDF (its own layout, no footer).
#
#   bench/print_pdf.sh [BUILD_DIR] [PAIR] [RUNS]
#
# BUILD_DIR defaults to build/release; PAIR to 10_byudzhetny_kodeks; RUNS to 3.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
PAIR=${2:-10_byudzhetny_kodeks}
RUNS=${3:-3}
BIN="$BUILD/bin"
CORPUS=../shared/corpus
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

. bench/headless.sh
export XDG_CONFIG_HOME="$OUT/config"
ms() { local s=$(date +%s%N); "$@" >/dev/null 2>&1; echo $((($(date +%s%N) - s) / 1000000)); }

OLD="$CORPUS/${PAIR}_old.htm" NEW="$CORPUS/${PAIR}_new.htm"
echo "pair: $PAIR ($(stat -c %s "$OLD") + $(stat -c %s "$NEW") bytes), runs: $RUNS"
"$BIN/parvel-cli" compare "$OLD" "$NEW" "$OUT/pages" >/dev/null
cp data/*.css "$OUT/pages/" 2>/dev/null || true

p=() l=()
for ((i = 0; i < RUNS; i++)); do
  p+=("$(ms "$BIN/parvel" --print-pdf "$OUT/l.pdf" "$OUT/r.pdf" "$OLD" "$NEW")")
  l+=("$(ms soffice -env:UserInstallation="file://$OUT/profile" --headless --convert-to pdf --outdir "$OUT/lo" "$OUT/pages/c1.htm" "$OUT/pages/c2.htm")")
done
pages() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
echo "parvel --print-pdf: median $(printf '%s\n' "${p[@]}" | median) ms (${p[*]}); pages $(pages "$OUT/l.pdf") + $(pages "$OUT/r.pdf"); $(stat -c %s "$OUT/l.pdf") + $(stat -c %s "$OUT/r.pdf") bytes"
echo "soffice --convert-to pdf: median $(printf '%s\n' "${l[@]}" | median) ms (${l[*]}); pages $(pages "$OUT/lo/c1.pdf") + $(pages "$OUT/lo/c2.pdf")"
