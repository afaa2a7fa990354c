#!/usr/bin/env bash
# The documents handed on, for corpus pairs 06 and 10: parvel-cli table to .docx and .pdf,
# redline to .docx, the flat document alone (.fodt, no office), and LibreOffice converting that
# .fodt alone with the flags parvel-cli gives it and a warm profile; the PDF's pages. Each time is
# the best of RUNS (default 2) after one warm-up run of the office.
#
#   bench/handon.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
CORPUS=${CORPUS:-../shared/corpus}
RUNS=${RUNS:-2}
CLI=$BUILD/bin/parvel-cli
[ -x "$CLI" ] || cmake --build "$BUILD" -j2 --target parvel-cli
SOFFICE=${PARVEL_SOFFICE:-$(command -v soffice || command -v libreoffice || true)}
[ -n "$SOFFICE" ] || { echo "LibreOffice (soffice) is not installed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# parvel-cli's own profile slots, and the profile of the office run alone, both warmed below.
export XDG_CACHE_HOME=$work/cache
profile="file://$work/profile"

now() { date +%s.%N; }
# best SECONDS of running "$@" RUNS times
best() {
  local b="" t0 t1 t
  for ((i = 0; i < RUNS; i++)); do
    t0=$(now)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t1=$(now)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$b" ] || (($(echo "$t < $b" | bc -l))); then b=$t; fi
  done
  printf '%.2f' "$b"
}
office_alone() {  # FILTER SOURCE
  "$SOFFICE" "-env:UserInstallation=$profile" --headless --invisible --nologo --norestore --nolockcheck \
    --convert-to "$1" --outdir "$work/alone" "$2"
}

pairs=()
for n in 06 10; do
  old=$(ls "$CORPUS"/${n}_*_old.htm "$CORPUS"/${n}_old.htm 2>/dev/null | head -1 || true)
  [ -n "$old" ] && pairs+=("$old")
done

# Warm both profiles on a small document.
small=$(ls "$CORPUS"/01_*_old.htm | head -1)
"$CLI" table "$small" "${small%_old.htm}_new.htm" "$work/warm.docx" >/dev/null
"$CLI" table "$small" "${small%_old.htm}_new.htm" "$work/warm.fodt" >/dev/null
office_alone "docx:MS Word 2007 XML" "$work/warm.fodt" >/dev/null 2>&1

echo "seconds; alone: LibreOffice converting the table's .fodt by itself"
printf '%-22s %5s %6s %10s %12s %9s %10s %9s %5s %10s %9s\n' pair rows fodt table.docx redline.docx table.pdf \
  alone.docx alone.pdf pages docx/alone pdf/alone
for old in "${pairs[@]}"; do
  new=${old%_old.htm}_new.htm
  name=$(basename "${old%_old.htm}")
  fodt=$work/$name.fodt
  rows=$("$CLI" table "$old" "$new" "$fodt" | grep -o '[0-9]\+' | head -1)
  t_fodt=$(best "$CLI" table "$old" "$new" "$fodt")
  t_docx=$(best "$CLI" table "$old" "$new" "$work/$name.docx")
  t_red=$(best "$CLI" redline "$old" "$new" "$work/$name.redline.docx")
  t_pdf=$(best "$CLI" table "$old" "$new" "$work/$name.pdf")
  t_adocx=$(best office_alone "docx:MS Word 2007 XML" "$fodt")
  t_apdf=$(best office_alone "pdf:writer_pdf_Export" "$fodt")
  pages=$(pdfinfo "$work/$name.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
  printf '%-22s %5s %6s %10s %12s %9s %10s %9s %5s %10.2f %9.2f\n' "$name" "$rows" "$t_fodt" "$t_docx" \
    "$t_red" "$t_pdf" "$t_adocx" "$t_apdf" "${pages:-?}" "$(echo "$t_docx / $t_adocx" | bc -l)" \
    "$(echo "$t_pdf / $t_apdf" | bc -l)"
done
