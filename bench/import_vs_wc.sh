#!/usr/bin/env bash
# The import of a generated set of 1,000,000 movement lines (with accounts and documents)
# against `wc -l` of the same BKMVDATA.TXT, both measured in this run on a warm file cache.
#   bench/import_vs_wc.sh [MOVEMENTS] [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
movements=${1:-1000000}
build=${2:-build/release}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALLYSCAN_BUILD_APP=OFF >/dev/null
cmake --build "$build" --target tallyscan-gen import_bench -j2 >/dev/null

set_dir=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-bench-XXXXXX")
trap 'rm -rf "$set_dir"' EXIT
"$build/tools/tallyscan-gen" --quiet --movements "$movements" "$set_dir"
data="$set_dir/BKMVDATA.TXT"
cat "$data" >/dev/null  # warm the cache for both contenders

best_wc=1e9
for _ in 1 2 3; do
  start=$(date +%s.%N)
  wc -l "$data" >/dev/null
  end=$(date +%s.%N)
  best_wc=$(python3 -c "print(min($best_wc, $end - $start))")
done

report=$("$build/bench/import_bench" --repeat 3 "$set_dir")
value() { awk -v k="$1" '$1 == k { print $2 }' <<<"$report"; }

python3 - "$best_wc" "$(value seconds)" "$(value lines)" "$(value bytes)" "$(value records)" \
  "$(value heap_peak_bytes)" "$(value heap_bytes_per_record)" "$(value peak_rss_mb)" <<'PY'
import sys
wc, imp, lines, size, records, heap, per_record, rss = sys.argv[1:]
wc, imp, lines, size, records, heap = float(wc), float(imp), int(lines), int(size), int(records), int(heap)
mb = size / 2**20
print(f"data file        {lines:,} lines, {mb:,.1f} MB, {records:,} indexed records")
print(f"wc -l            {wc:.3f} s ({mb / wc:,.0f} MB/s)")
print(f"import           {imp:.3f} s ({mb / imp:,.0f} MB/s, {lines / imp:,.0f} lines/s)")
print(f"ratio            {imp / wc:.2f} x wc -l (target at most 8)")
print(f"heap peak        {heap / 2**20:,.1f} MB = {float(per_record):.1f} bytes per record "
      f"(target at most 48 per record + 32 MB: {(48 * records + 32 * 2**20) / 2**20:,.1f} MB)")
print(f"peak RSS         {float(rss):,.1f} MB")
PY
