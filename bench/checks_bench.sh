#!/usr/bin/env bash
# All checks, and the import with them, against `wc -l` of the same BKMVDATA.TXT: every round
# measures wc -l, the program and (when one is named) the program built before a change, one
# after the other, so that the ratios come from one run on a machine whose load changes.
# Prints the best of the rounds, the peak memory of import + checks and the load average.
#
#   bench/checks_bench.sh BUILD_DIR [WORK_DIR|SET_DIR] [ROUNDS] [BEFORE_BUILD_DIR]
# Without a data set in the folder named, it generates the set of 1,000,000 movements,
# 20,000 accounts, 100,000 documents and 5,000 items (seed 9) into WORK_DIR/set.
set -euo pipefail
build=${1:?usage: checks_bench.sh BUILD_DIR [WORK_DIR|SET_DIR] [ROUNDS] [BEFORE_BUILD_DIR]}
work=${2:-${TMPDIR:-/tmp}/tallyscan-checks-bench}
rounds=${3:-5}
before=${4:-}
if find "$work" -maxdepth 1 -iname bkmvdata.txt 2>/dev/null | grep -q .; then
  set_dir=$work
else
  set_dir="$work/set"
  if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
    mkdir -p "$set_dir"
    "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 \
      --documents 100000 --items 5000 --seed 9 "$set_dir"
  fi
fi
data=$(find "$set_dir" -maxdepth 1 -iname bkmvdata.txt | head -1)
cat "$data" >/dev/null  # warm the cache for every contender

elapsed() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  /usr/bin/python3 -c "print($end - $start)"
}
# "import S", "checks S" and "peak memory M" of one round of checks_bench.
figures() {
  "$1/bench/checks_bench" "$set_dir" 1 2>/dev/null |
    awk '$1 == "import" { i = $2 } $1 == "checks" && $2 != "/" { c = $2 }
         $1 == "peak" { m = $3 } END { print i, c, m }'
}

results=$(mktemp)
for round in $(seq "$rounds"); do
  wc_s=$(elapsed wc -l "$data")
  now=$(figures "$build")
  was="0 0 0"
  [ -n "$before" ] && was=$(figures "$before")
  echo "$wc_s $now $was" >>"$results"
  echo "round $round: wc -l ${wc_s}s; import, checks, MB: $now; before: $was" >&2
done

/usr/bin/python3 - "$results" "$(cut -d' ' -f1-3 /proc/loadavg)" "$before" "$data" <<'PY'
import os, sys
rows = [list(map(float, line.split())) for line in open(sys.argv[1])]
load, before, data = sys.argv[2], sys.argv[3], sys.argv[4]
wc = min(r[0] for r in rows)
def report(name, i):
    imp = min(r[i] for r in rows)
    chk = min(r[i + 1] for r in rows)
    both = min(r[i] + r[i + 1] for r in rows)
    ratio = min(r[i + 1] / r[0] for r in rows)
    mem = max(r[i + 2] for r in rows)
    print(f"{name:<8} import {imp:.3f} s ({imp / wc:.2f} x), checks {chk:.3f} s ({chk / wc:.2f} x, "
          f"best ratio of a round {ratio:.2f}), import + checks {both:.3f} s ({both / wc:.2f} x), "
          f"peak {mem:,.0f} MB")
print(f"data file {os.path.getsize(data) / 2**20:,.1f} MB; load average {load} (after the rounds)")
print(f"wc -l    {wc:.3f} s, best of {len(rows)}")
report("now", 1)
if before:
    report("before", 4)
PY
rm -f "$results"
