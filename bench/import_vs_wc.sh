#!/usr/bin/env bash
# The import of a data set against `wc -l` of the same BKMVDATA.TXT, and the import asked for
# the data file's SHA-256 (as the batch's child and the reports ask), every round measuring
# each (and the program built before a change, when one is named) one after the other on a
# warm file cache, so that the ratios come from one run on a machine whose load changes.
# Prints the best of the rounds and the load average.
#
#   bench/import_vs_wc.sh [options] [SET_DIR]
#     --movements N     the set generated (1,000,000 movements, 20,000 accounts, 100,000
#                       documents, 5,000 items, seed 9) when no SET_DIR is given
#     --build DIR       the build measured (build/release)
#     --before DIR      a build of the program before a change, measured beside it
#     --rounds N        rounds (5)
#     --threads N       the threads that read (0: one per core)
# The larger set of the figures in the README:
#   tallyscan-gen --movements 10000000 --accounts 50000 --documents 200000 --items 5000 --seed 21
set -euo pipefail
cd "$(dirname "$0")/.."
movements=1000000 build=build/release before="" rounds=5 threads=0 set_dir=""
while [ $# -gt 0 ]; do
  case $1 in
    --movements) movements=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --threads) threads=$2; shift 2 ;;
    *) set_dir=$1; shift ;;
  esac
done

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tallyscan-gen tallyscan-cli import_bench -j2 >/dev/null

if [ -z "$set_dir" ]; then
  set_dir=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-bench-XXXXXX")
  trap 'rm -rf "$set_dir"' EXIT
  "$build/tools/tallyscan-gen" --quiet --movements "$movements" --accounts 20000 \
    --documents 100000 --items 5000 --seed 9 "$set_dir"
fi
data=$(find "$set_dir" -maxdepth 1 -iname bkmvdata.txt | head -1)
cat "$data" >/dev/null  # warm the cache for every contender

seconds() { /usr/bin/python3 -c 'import sys; print(sys.argv[1])' "$1"; }
elapsed() {  # the seconds a command takes, its output dropped
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  /usr/bin/python3 -c "print($end - $start)"
}
value() { awk -v k="$1" '$1 == k { print $2 }'; }

thread_option=()
[ "$threads" -gt 0 ] && thread_option=(--threads "$threads")
results=$(mktemp)
for round in $(seq "$rounds"); do
  wc_s=$(elapsed wc -l "$data")
  report=$("$build/bench/import_bench" --repeat 1 --threads "$threads" "$set_dir")
  bench_s=$(value seconds <<<"$report")
  digest_s=$("$build/bench/import_bench" --repeat 1 --threads "$threads" --digest "$set_dir" |
    value seconds)
  cli_s=$(elapsed "$build/src/cli/tallyscan-cli" import --raw "${thread_option[@]}" "$set_dir")
  before_bench=0 before_cli=0
  if [ -n "$before" ]; then
    before_bench=$("$before/bench/import_bench" --repeat 1 "$set_dir" | value seconds)
    before_cli=$(elapsed "$before/src/cli/tallyscan-cli" import --raw "$set_dir")
  fi
  echo "$wc_s $bench_s $cli_s $before_bench $before_cli $digest_s" >>"$results"
  echo "round $round: wc -l ${wc_s}s, import ${bench_s}s, with digest ${digest_s}s, cli ${cli_s}s, before ${before_bench}s / ${before_cli}s" >&2
done
echo "$report" >"$results.last"

/usr/bin/python3 - "$results" "$results.last" "$(cut -d' ' -f1-3 /proc/loadavg)" "$before" <<'PY'
import sys
rows = [list(map(float, line.split())) for line in open(sys.argv[1])]
report = dict(line.split() for line in open(sys.argv[2]) if line.strip())
load, before = sys.argv[3], sys.argv[4]
best = [min(column) for column in zip(*rows)]
wc, imp, cli, b_imp, b_cli, dig = best
ratios = [[r[i] / r[0] for r in rows] for i in range(1, 6)]
lines, size = int(report["lines"]), int(report["bytes"])
mb = size / 2**20
print(f"data file        {lines:,} lines, {mb:,.1f} MB")
print(f"load average     {load} (after the rounds)")
print(f"wc -l            {wc:.3f} s ({mb / wc:,.0f} MB/s), best of {len(rows)}")
print(f"import           {imp:.3f} s = {imp / wc:.2f} x wc -l (best ratio of a round {min(ratios[0]):.2f})")
print(f"import + digest  {dig:.3f} s = {dig / wc:.2f} x wc -l = {dig / imp:.2f} x import (best ratio of a round {min(ratios[4]):.2f})")
print(f"tallyscan-cli    {cli:.3f} s = {cli / wc:.2f} x wc -l (best ratio of a round {min(ratios[1]):.2f})")
if before:
    print(f"before: import   {b_imp:.3f} s = {b_imp / wc:.2f} x wc -l (best ratio of a round {min(ratios[2]):.2f})")
    print(f"before: cli      {b_cli:.3f} s = {b_cli / wc:.2f} x wc -l (best ratio of a round {min(ratios[3]):.2f})")
print(f"heap peak        {int(report['heap_peak_bytes']) / 2**20:,.1f} MB, peak RSS {float(report['peak_rss_mb']):,.1f} MB")
PY
rm -f "$results" "$results.last"
