#!/usr/bin/env bash
# The print preview of the largest corpus pair (10_byudzhetny_kodeks, about 490 pages) in the real
# window, headless: time to the progress and to the first page shown, and the memory the
# preview adds (the program's peak over its figure after the comparison, at the first page and
# after leafing through 60 pages to the end; and the view processes' peak).
#
#   bench/preview_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
[ -x "$BUILD/bin/printing_test" ] || cmake --build "$BUILD" -j2 --target printing_test
. bench/headless.sh
export PARVEL_PREVIEW_BENCH=1
out=$("$BUILD/bin/printing_test" --gtest_filter='PreviewBench.LargestPair' 2>/dev/null) || { echo "$out" | tail -20; exit 1; }
grep '^preview-bench' <<<"$out" | sed 's/^preview-bench //'
