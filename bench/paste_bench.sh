#!/usr/bin/env bash
# Paste of a whole corpus page (HTML on the clipboard, Ctrl+V into an empty pane), headless: the
# program's fast paste against the view's own paste of the same page in the same run.
#
#   bench/paste_bench.sh [BUILD_DIR] [PAIR] [RUNS]     (PAIR defaults to the largest, 10_byudzhetny_kodeks)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
PAIR=${2:-10_byudzhetny_kodeks}
RUNS=${3:-3}
BIN="$BUILD/bin"
[ -x "$BIN/open_files_test" ] || cmake --build "$BUILD" -j2 --target open_files_test
. bench/headless.sh
fast=(); own=()
for ((i = 0; i < RUNS; i++)); do
  line=$(PARVEL_CORPUS_PAIR="$PAIR" "$BIN/open_files_test" --gtest_filter='FastPaste.CorpusPage' 2>/dev/null |
         grep '^paste-ms' || true)
  [ -n "$line" ] || { echo "the window run failed"; exit 1; }
  echo "  $line"
  fast+=("$(awk '{print $3}' <<<"$line")"); own+=("$(awk '{print $5}' <<<"$line")")
done
printf 'fast paste (whole pane):  median %s ms (runs: %s)\n' "$(printf '%s\n' "${fast[@]}" | median)" "${fast[*]}"
printf "view's own paste (peer):  median %s ms (runs: %s)\n" "$(printf '%s\n' "${own[@]}" | median)" "${own[*]}"
