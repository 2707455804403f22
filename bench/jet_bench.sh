#!/usr/bin/env bash
# The journal-entry tests on a generated set of 1,000,000 movements (20,000 accounts, 100,000
# documents), against `wc -l` of the same BKMVDATA.TXT measured in the same run on a warm file
# cache: the pack's own time after the import (best of several rounds, wall clock and the
# processor time of the reading thread), its heap beyond the store besides the hit lists (at
# its peak, and while the file is read), and
# how soon a stop asked for is seen. The set is made under /tmp and removed at the end.
#   bench/jet_bench.sh [BUILD_FOLDER] [ROUNDS] [SET_FOLDER]
# With SET_FOLDER an existing set is measured (read only) instead of the generated one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
rounds=${2:-5}

cmake --build "$build" --target tallyscan-gen jet_bench -j2 >/dev/null

if [[ -n ${3:-} ]]; then
  set_dir=$3
else
  set_dir=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-jet-bench-XXXXXX")
  trap 'rm -rf "$set_dir"' EXIT
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 --documents 100000 \
    --items 5000 --seed 9 "$set_dir"
fi
data="$set_dir/BKMVDATA.TXT"
cat "$data" >/dev/null  # warm the cache for both contenders

wc_walls=()
best_wc_cpu=1e9
for _ in $(seq "$rounds"); do
  start=$(date +%s.%N)
  cpu=$( { /usr/bin/time -f "%U %S" wc -l "$data" >/dev/null; } 2>&1)
  end=$(date +%s.%N)
  wc_walls+=("$(python3 -c "print($end - $start)")")
  best_wc_cpu=$(python3 -c "print(min($best_wc_cpu, sum(map(float, '$cpu'.split()))))")
  echo "wc -l round      $(python3 -c "print(f'{$end - $start:.3f}')") s, load $(cut -d' ' -f1 /proc/loadavg)"
done
walls=$(IFS=,; echo "${wc_walls[*]}")
best_wc=$(python3 -c "print(min([$walls]))")
median_wc=$(python3 -c "import statistics; print(statistics.median([$walls]))")

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
report=$("$build/bench/jet_bench" --rounds "$rounds" "$set_dir")
echo "$report"
echo "load average  $load_before before the rounds, $(cut -d' ' -f1-3 /proc/loadavg) after"
value() { awk -v k="$1" '$1 == k { print $2 }' <<<"$report"; }
python3 - "$best_wc" "$best_wc_cpu" "$(value seconds_best)" "$(value cpu_seconds_best)" \
  "$(value heap_bytes_per_movement)" "$(value heap_after_reading_per_movement)" \
  "$(value bytes)" "$median_wc" "$(value seconds_median)" "$(value process_cpu_seconds_best)" \
  "$(value reading_seconds)" "$(value tests_seconds)" "$(value ranking_seconds)" <<'PY'
import sys
(wc, wc_cpu, jet, jet_cpu, per_movement, after_reading, size, wc_median, jet_median, jet_all,
 reading, tests, ranking) = map(float, sys.argv[1:])
mb = size / 2**20
print(f"wc -l            {wc:.3f} s wall best, {wc_median:.3f} median, {wc_cpu:.3f} s processor "
      f"({mb:,.0f} MB)")
print(f"journal tests    {jet:.3f} s wall best, {jet_median:.3f} median; processor {jet_cpu:.3f} s "
      f"of the reading thread, {jet_all:.3f} s of every thread")
print(f"phases           reading {reading:.3f} s, tests {tests:.3f} s, ranking and after "
      f"{ranking:.3f} s (best round)")
print(f"ratio            {jet / wc:.2f} x wc -l wall best, {jet_median / wc_median:.2f} median "
      f"(target at most 4)")
print(f"heap             {per_movement:.1f} bytes per movement at the peak besides the hit lists "
      f"(target at most 48), {after_reading:.1f} when the reading ends")
PY
