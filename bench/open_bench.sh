#!/usr/bin/env bash
# Time to open a file into a pane: the largest corpus .txt and a long .docx made by LibreOffice
# from a corpus page, each through the reader alone and through the window's open command
# (headless), beside their peers measured in the same run: LibreOffice's own conversion of the
# .docx to HTML (what the reader waits for) and iconv over the .txt (a plain code-page pass).
#
#   bench/open_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
RUNS=${2:-3}
BIN="$BUILD/bin"
CORPUS=../shared/corpus
TXT="$CORPUS/10_byudzhetny_kodeks_new.txt"
DOC_SOURCE="$CORPUS/11_uk_rf_heavy_new.htm"

[ -x "$BIN/open_files_test" ] || cmake --build "$BUILD" -j2 --target open_files_test
command -v soffice >/dev/null || { echo "soffice (LibreOffice) is needed"; exit 1; }
. bench/headless.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
profile="-env:UserInstallation=file://$work/profile"
{ printf '<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1251"></head>'
  cat "$DOC_SOURCE"; } >"$work/long.htm"
soffice "$profile" --headless --infilter="HTML (StarWriter)" --convert-to 'docx:MS Word 2007 XML' \
  --outdir "$work" "$work/long.htm" >/dev/null 2>&1
soffice "$profile" --headless --convert-to pdf --outdir "$work" "$work/long.docx" >/dev/null 2>&1 || true
pages=$( [ -f "$work/long.pdf" ] && grep -ac '/Type */Page[^s]' "$work/long.pdf" || echo "?")
echo "docx: $(stat -c %s "$work/long.docx") bytes, $pages pages (from $(basename "$DOC_SOURCE"))"
echo "txt:  $(stat -c %s "$TXT") bytes ($(basename "$TXT"))"

ms() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }

for file in "$TXT" "$work/long.docx"; do
  reads=(); windows=(); peers=()
  for ((i = 0; i < RUNS; i++)); do
    line=$(PARVEL_OPEN_FILE="$file" "$BIN/open_files_test" --gtest_filter='OpenFiles.OpenTiming' 2>/dev/null |
           grep '^open-ms' || true)
    [ -n "$line" ] || { echo "the window run failed for $file"; exit 1; }
    reads+=("$(awk '{print $3}' <<<"$line")"); windows+=("$(awk '{print $5}' <<<"$line")")
    if [[ $file == *.docx ]]; then
      peers+=("$(ms soffice "$profile" --headless --convert-to html --outdir "$work/peer" "$file")")
    else
      peers+=("$(ms sh -c "iconv -c -f utf-8 -t cp1251 '$file' >'$work/peer.txt'")")
    fi
  done
  peer=$([[ $file == *.docx ]] && echo "soffice --convert-to html alone" || echo "iconv utf-8 -> cp1251")
  printf '%s\n  reader: median %s ms (%s)\n  window open command to text shown: median %s ms (%s)\n  peer, %s: median %s ms (%s)\n' \
    "$(basename "$file")" "$(printf '%s\n' "${reads[@]}" | median)" "${reads[*]}" \
    "$(printf '%s\n' "${windows[@]}" | median)" "${windows[*]}" \
    "$peer" "$(printf '%s\n' "${peers[@]}" | median)" "${peers[*]}"
done
