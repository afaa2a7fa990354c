#!/usr/bin/env bash
# Runs every fuzz target built by the fuzz preset for SECONDS seconds each:
#   scripts/build.sh fuzz && scripts/fuzz.sh SECONDS
# Each target keeps its growing corpus in build/fuzz/corpus/NAME and also reads the checked-in
# seeds from tests/fuzz/seeds/NAME; a crashing input is saved in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
bin=build/fuzz/bin
shopt -s nullglob
targets=("$bin"/*_fuzz)
if ((${#targets[@]} == 0)); then
  echo "fuzz.sh: no fuzz targets in $bin; build them with scripts/build.sh fuzz" >&2
  exit 1
fi
mkdir -p build/fuzz/artifacts build/fuzz/logs
status=0
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  dirs=("$corpus")
  [ -d "tests/fuzz/seeds/$name" ] && dirs+=("tests/fuzz/seeds/$name")
  log=build/fuzz/logs/$name.log
  if "$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix=build/fuzz/artifacts/"$name"- "${dirs[@]}" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    echo "fuzz $name: ${runs:-?} runs in ${secs} s, no failure"
  else
    echo "fuzz $name: FAILED (log: $log)" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
