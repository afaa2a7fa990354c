#!/usr/bin/env bash
# Time from pressing "Сравнить" to both result pages shown, in the real window (headless), for the
# largest corpus pair (until the window takes input again: progress window closed, counter and
# change navigation live; and, beside it, until both result pages have loaded); beside it the
# floor of the views (the two finished pages loaded into two fresh views at once, nothing else;
# and until both views have also laid them out, which they do before the pages can be seen) and
# the same comparison by parvel-cli (the core alone).
#
#   bench/gui_compare.sh [BUILD_DIR] [PAIR] [RUNS]
#
# BUILD_DIR defaults to build/release; PAIR to 10_byudzhetny_kodeks; RUNS to 3.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
PAIR=${2:-10_byudzhetny_kodeks}
RUNS=${3:-3}
BIN="$BUILD/bin"
CORPUS=../shared/corpus

[ -x "$BIN/corpus_compare_test" ] || cmake --build "$BUILD" -j2 --target corpus_compare_test
[ -x "$BIN/parvel-cli" ] || cmake --build "$BUILD" -j2 --target parvel-cli

. bench/headless.sh
export PARVEL_CORPUS_PAIR="$PAIR"


echo "pair: $PAIR ($(stat -c %s "$CORPUS/${PAIR}_old.htm") + $(stat -c %s "$CORPUS/${PAIR}_new.htm") bytes), runs: $RUNS"
gui=()
floor=()
loaded=()
laid=()
for ((i = 0; i < RUNS; i++)); do
  run=$("$BIN/corpus_compare_test" --gtest_filter='CorpusCompare.PairThroughTheWindow' 2>/dev/null || true)
  line=$(grep '^compare-ms' <<<"$run" || true)
  [ -n "$line" ] || { echo "the window run failed"; exit 1; }
  echo "  window: $line"
  gui+=("$(awk '{print $2}' <<<"$line")")
  loaded+=("$(sed -n 's/.*pages-loaded-ms \([0-9-]*\).*/\1/p' <<<"$line")")
  floor+=("$(grep '^floor-ms' <<<"$run" | awk '{print $2}')")
  laid+=("$(grep '^floor-ms' <<<"$run" | awk '{print $4}')")
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cli=()
for ((i = 0; i < RUNS; i++)); do
  s=$(date +%s%N)
  "$BIN/parvel-cli" compare "$CORPUS/${PAIR}_old.htm" "$CORPUS/${PAIR}_new.htm" "$out" >/dev/null
  e=$(date +%s%N)
  cli+=("$(((e - s) / 1000000))")
done

printf 'window, "Сравнить" to both pages shown: median %s ms (runs: %s)\n' \
  "$(printf '%s\n' "${gui[@]}" | median)" "${gui[*]}"
printf 'window, "Сравнить" to both pages loaded: median %s ms (runs: %s)\n' \
  "$(printf '%s\n' "${loaded[@]}" | median)" "${loaded[*]}"
fm=$(printf '%s\n' "${floor[@]}" | median)
gm=$(printf '%s\n' "${gui[@]}" | median)
lm=$(printf '%s\n' "${laid[@]}" | median)
printf 'floor, both pages into fresh views:     median %s ms (runs: %s)\n' "$fm" "${floor[*]}"
printf 'the same, until both are laid out:      median %s ms (runs: %s)\n' "$lm" "${laid[*]}"
awk -v g="$gm" -v f="$fm" -v l="$lm" 'BEGIN { printf "window / floor: %.2f (laid out: %.2f)\n", g / f, g / l }'
# Each run's window and floor share the machine's load at that moment: their ratio is the steadier
# figure when other work runs beside the benchmark.
r1=$(for ((i = 0; i < RUNS; i++)); do awk -v g="${gui[$i]}" -v f="${floor[$i]}" 'BEGIN { printf "%.3f\n", g / f }'; done | median)
r2=$(for ((i = 0; i < RUNS; i++)); do awk -v g="${gui[$i]}" -v f="${laid[$i]}" 'BEGIN { printf "%.3f\n", g / f }'; done | median)
printf 'window / floor, median of the runs: %.2f (laid out: %.2f)\n' "$r1" "$r2"
printf 'parvel-cli compare (core only):        median %s ms (runs: %s)\n' \
  "$(printf '%s\n' "${cli[@]}" | median)" "${cli[*]}"
