#!/usr/bin/env bash
# The field statistics on a generated set of 1,000,000 movements (20,000 accounts, 100,000
# documents, 5,000 items) against `wc -l` of the same BKMVDATA.TXT: rounds in which the two
# take turns on a warm file cache, in one run, with the load average before and after (the
# machine is shared). The target is at most 2 times `wc -l`. The set is made under /tmp and
# removed at the end, unless SET_FOLDER names one already made (it is then only read). The
# statistics read with THREADS threads (0, the default: one per core).
#   [THREADS=N] bench/fields_bench.sh [BUILD_FOLDER] [ROUNDS] [SET_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
rounds=${2:-7}
set_dir=${3:-}

cmake --build "$build" --target tallyscan-gen fields_bench -j2 >/dev/null

if [ -z "$set_dir" ]; then
  set_dir=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-fields-bench-XXXXXX")
  trap 'rm -rf "$set_dir"' EXIT
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 --documents 100000 \
    --items 5000 --seed 9 "$set_dir"
fi
cat "$set_dir"/BKMVDATA.TXT >/dev/null  # warm the cache for both contenders

report=$("$build/bench/fields_bench" --rounds "$rounds" --threads "${THREADS:-0}" "$set_dir")
echo "$report"
value() { awk -v k="$1" '$1 == k { print $2 }' <<<"$report"; }
python3 - "$(value wc_seconds_best)" "$(value seconds_best)" "$(value cpu_seconds_best)" \
  "$(value ratio_median_of_rounds)" "$(value bytes)" <<'PY'
import sys
wc, fields, cpu, median, size = map(float, sys.argv[1:])
print(f"wc -l            {wc:.3f} s best ({size / 2**20:,.0f} MB)")
print(f"field statistics {fields:.3f} s best, {cpu:.3f} s processor")
print(f"ratio            {fields / wc:.2f} x wc -l best against best, {median:.2f} x median of "
      f"the rounds (target at most 2)")
PY
