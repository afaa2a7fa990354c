#!/usr/bin/env bash
# Result navigation on the largest corpus pairs, in the real window (headless): measuring all
# change marks (one batched call per view), one step to the next change, a synchronisation
# step, painting the position bar and a zoom step (split into setting the style, measuring and
# scrolling back, and four quick presses that coalesce); beside them the same measuring done with
# one view round trip per mark.
#
#   bench/navigation_bench.sh [BUILD_DIR] [PAIR...]
#
# BUILD_DIR defaults to build/release; the pairs to 11_uk_rf_heavy and 10_byudzhetny_kodeks.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
shift || true
PAIRS=("$@")
[ ${#PAIRS[@]} -gt 0 ] || PAIRS=(11_uk_rf_heavy 10_byudzhetny_kodeks)

[ -x "$BUILD/bin/navigation_test" ] || cmake --build "$BUILD" -j2 --target navigation_test

. bench/headless.sh
export PARVEL_NAV_BENCH=1
for pair in "${PAIRS[@]}"; do
  out=$(PARVEL_CORPUS_PAIR="$pair" "$BUILD/bin/navigation_test" \
          --gtest_filter='NavigationBench.LargestPair' 2>/dev/null) || { echo "$out" | tail -20; exit 1; }
  grep '^nav-bench' <<<"$out" | sed 's/^nav-bench //'
  echo
done
