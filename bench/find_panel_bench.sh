#!/usr/bin/env bash
# The find panel on the right page of a large corpus pair, in the real window (headless): the
# time from Enter in the search field to the first occurrence in view, for a one-word and a
# three-word query, beside the floor of the view (setting the same page's body unchanged).
#
#   bench/find_panel_bench.sh [BUILD_DIR] [PAIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
PAIR=${2:-10_byudzhetny_kodeks}
[ -x "$BUILD/bin/find_panel_test" ] || cmake --build "$BUILD" -j2 --target find_panel_test
. bench/headless.sh
out=$(PARVEL_FIND_BENCH=1 PARVEL_CORPUS_PAIR="$PAIR" "$BUILD/bin/find_panel_test" \
        --gtest_filter='FindPanelBench.LargestPair' 2>/dev/null) || { echo "$out" | tail -20; exit 1; }
grep '^find-bench' <<<"$out" | sed 's/^find-bench //'
