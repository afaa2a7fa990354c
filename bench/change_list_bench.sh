#!/usr/bin/env bash
# The change list of the largest corpus pair, in the real window (headless): setting the list
# (model, filter, rows expanded), its first paint, and repainting the whole list at every step of
# a scroll from top to bottom, beside the same with the view's plain painting of the excerpts.
#
#   bench/change_list_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}

[ -x "$BUILD/bin/change_list_panel_test" ] || cmake --build "$BUILD" -j2 --target change_list_panel_test

. bench/headless.sh
out=$(PARVEL_PANEL_BENCH=1 "$BUILD/bin/change_list_panel_test" \
        --gtest_filter='ChangeListPanelBench.LargestPair' 2>/dev/null) || { echo "$out" | tail -20; exit 1; }
grep '^panel-bench' <<<"$out" | sed 's/^panel-bench //'
