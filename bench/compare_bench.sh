#!/usr/bin/env bash
# The comparison of two periods of 1,000,000 movements each (20,000 accounts) against the
# import of both, measured in the same run on a warm file cache: `tallyscan-cli compare PRIOR
# CURRENT` (both imports and the comparison's own reading of each data file) over
# `tallyscan-cli import PRIOR` plus `tallyscan-cli import CURRENT`, best of several rounds,
# wall clock. The sets are made under /tmp and removed at the end.
#   bench/compare_bench.sh [BUILD_FOLDER] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
rounds=${2:-3}

cmake --build "$build" --target tallyscan-gen tallyscan-cli -j2 >/dev/null

sets=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-compare-bench-XXXXXX")
trap 'rm -rf "$sets"' EXIT
"$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 --documents 100000 \
  --items 5000 --seed 9 "$sets/prior"
"$build/tools/tallyscan-gen" --next-year "$sets/prior" "$sets/current"
cat "$sets"/*/BKMVDATA.TXT >/dev/null  # warm the cache for both contenders
for year in prior current; do
  echo "$year  $(grep -c '^B100' "$sets/$year/BKMVDATA.TXT") movements, $(du -m "$sets/$year/BKMVDATA.TXT" | cut -f1) MB"
done
cli=$build/src/cli/tallyscan-cli

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  python3 -c "print($end - $start)"
}
best_import=1e9 best_compare=1e9
for _ in $(seq "$rounds"); do
  a=$(seconds "$cli" import --raw "$sets/prior")
  b=$(seconds "$cli" import --raw "$sets/current")
  c=$(seconds "$cli" compare --raw "$sets/prior" "$sets/current")
  best_import=$(python3 -c "print(min($best_import, $a + $b))")
  best_compare=$(python3 -c "print(min($best_compare, $c))")
done
echo "load average  $(cut -d' ' -f1-3 /proc/loadavg) after the rounds"
python3 - "$best_import" "$best_compare" <<'PY'
import sys
imports, compare = map(float, sys.argv[1:])
print(f"import of both   {imports:.3f} s wall")
print(f"compare          {compare:.3f} s wall")
print(f"ratio            {compare / imports:.2f} x the imports (target at most 2.5)")
PY
