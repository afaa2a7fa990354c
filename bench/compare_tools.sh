#!/usr/bin/env bash
# Times parvel-cli compare on every edition pair of the corpus beside two word-diff tools on the
# plain-text form of the same pair: git diff --no-index --word-diff=porcelain and GNU wdiff.
# Also reports the peak memory of parvel-cli (with /usr/bin/time -v when present), the same
# comparison kept on one thread (PARVEL_DIFF_THREADS=1), and, when PARVEL_CLI_BEFORE names an
# earlier build, that build's time in the same run.
#   bench/compare_tools.sh [CORPUS_DIR]     (PARVEL_CLI=path/to/parvel-cli to choose the build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$root/../shared/corpus}
cli=${PARVEL_CLI:-}
if [ -z "$cli" ]; then
  for b in release core engine; do
    if [ -x "$root/build/$b/bin/parvel-cli" ]; then cli=$root/build/$b/bin/parvel-cli; break; fi
  done
fi
[ -n "$cli" ] && [ -x "$cli" ] || { echo "compare_tools.sh: parvel-cli not found; build it or set PARVEL_CLI" >&2; exit 1; }
"$cli" compare --help >/dev/null 2>&1 || { echo "compare_tools.sh: $cli has no working compare; rebuild it or set PARVEL_CLI" >&2; exit 1; }
echo "parvel-cli: $cli"
before=${PARVEL_CLI_BEFORE:-}
[ -z "$before" ] || [ -x "$before" ] || { echo "compare_tools.sh: PARVEL_CLI_BEFORE=$before is not a program" >&2; exit 1; }
[ -z "$before" ] || echo "before: $before"
echo "cores: $(nproc), runs per figure: ${RUNS:-3} (best of)"
have_time=0; [ -x /usr/bin/time ] && /usr/bin/time -v true >/dev/null 2>&1 && have_time=1
have_wdiff=0; command -v wdiff >/dev/null && have_wdiff=1
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Best wall time of $runs runs of the command, in milliseconds (one decimal).
best_ms() {
  local best="" t0 t1 ms
  for ((r = 0; r < runs; r++)); do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    t1=$(date +%s%N)
    ms=$(((t1 - t0) / 100000))  # tenths of a millisecond
    if [ -z "$best" ] || ((ms < best)); then best=$ms; fi
  done
  echo "$((best / 10)).$((best % 10))"
}

printf '%-22s %7s %7s %7s %7s %7s %7s %7s %7s %8s %7s %10s\n' pair "htm KB" "txt KB" changes "before" "parvel" "1 thr" "git" "wdiff" "par/git" "bef/git" "parvel RSS"
for old in "$corpus"/*_old.htm; do
  base=${old%_old.htm}
  name=$(basename "$base")
  new=${base}_new.htm
  [ -f "$new" ] || continue
  changes=$("$cli" compare "$old" "$new" "$work/out") || { echo "compare_tools.sh: parvel-cli failed on $name" >&2; exit 1; }
  parvel=$(best_ms "$cli" compare "$old" "$new" "$work/out")
  single=$(PARVEL_DIFF_THREADS=1 best_ms "$cli" compare "$old" "$new" "$work/out")
  before_ms=-
  [ -z "$before" ] || before_ms=$(best_ms "$before" compare "$old" "$new" "$work/out")
  git_ms=- wdiff_ms=- txt_kb=-
  if [ -f "${base}_old.txt" ] && [ -f "${base}_new.txt" ]; then
    txt_kb=$(( ($(stat -c %s "${base}_old.txt") + $(stat -c %s "${base}_new.txt")) / 1024 ))
    git_ms=$(best_ms git diff --no-index --word-diff=porcelain "${base}_old.txt" "${base}_new.txt")
    if ((have_wdiff)); then wdiff_ms=$(best_ms wdiff "${base}_old.txt" "${base}_new.txt"); fi
  fi
  rss=-
  if ((have_time)); then
    rss=$( { /usr/bin/time -v "$cli" compare "$old" "$new" "$work/out" >/dev/null; } 2>&1 |
           awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2 " KB"}')
  fi
  htm_kb=$(( ($(stat -c %s "$old") + $(stat -c %s "$new")) / 1024 ))
  ratio() { if [ "$1" = - ] || [ "$2" = - ] || [ "$2" = 0 ]; then echo -; else awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; fi; }
  printf '%-22s %7s %7s %7s %7s %7s %7s %7s %7s %8s %7s %10s\n' "$name" "$htm_kb" "$txt_kb" "$changes" "$before_ms" "$parvel" \
    "$single" "$git_ms" "$wdiff_ms" "$(ratio "$parvel" "$git_ms")" "$(ratio "$before_ms" "$git_ms")" "$rss"
done
