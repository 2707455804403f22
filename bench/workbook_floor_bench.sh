#!/usr/bin/env bash
# The ledger workbook of every card against the workbook library's own floor, both against
# `wc -l` of the same BKMVDATA.TXT, best and median of ROUNDS in one run (the load average with
# each round): `report ledger --format xlsx` (its import included, and the import alone beside
# it), and workbook_floor_bench writing the same rows' cells through the library alone, its
# sheet XML and its closing (compression) apart.
#
#   bench/workbook_floor_bench.sh BUILD SET_FOLDER [ROUNDS] [COLUMNS]
# COLUMNS are the report's columns among the 26 cells of a card row (as 1,6,12,17,18,19); the
# floor writes all 26 without it.
set -euo pipefail
build=${1:?usage: workbook_floor_bench.sh BUILD SET_FOLDER [ROUNDS] [COLUMNS]}
set_folder=${2:?usage: workbook_floor_bench.sh BUILD SET_FOLDER [ROUNDS] [COLUMNS]}
rounds=${3:-3}
columns=${4:-}
cli=$build/src/cli/tallyscan-cli
work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-floor-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
data=$set_folder/BKMVDATA.TXT
keys=$(awk 'substr($0, 1, 4) == "B110" { print substr($0, 23, 15) }' "$data" | LC_ALL=C sort |
  sed -n '1p;$p' | sed 's/^ *//; s/ *$//')
first=$(sed -n 1p <<<"$keys") last=$(sed -n 2p <<<"$keys")
"$cli" view ledger --raw --from "$first" --to "$last" "$set_folder" >"$work/rows.tsv"

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >"$work/out" 2>&1 || { cat "$work/out" >&2; return 1; }
  end=$(date +%s.%N)
  python3 -c "print($end - $start)"
}
for round in $(seq "$rounds"); do
  wc_s=$(seconds wc -l "$data")
  import_s=$(seconds "$cli" import --raw "$set_folder")
  ours_s=$(seconds "$cli" report ledger --from "$first" --to "$last" --format xlsx \
    --out "$work/ours.xlsx" "$set_folder")
  floor_s=$(seconds "$build/bench/workbook_floor_bench" "$work/rows.tsv" "$work/floor.xlsx" $columns)
  floor_parts=$(cat "$work/out")
  echo "round $round, load $(cut -d' ' -f1-3 /proc/loadavg): wc $wc_s import $import_s" \
    "ours $ours_s floor $floor_s ($floor_parts)" | tee -a "$work/rounds"
done
python3 - "$work/rounds" <<'PY'
import re, statistics, sys
rows = [l for l in open(sys.argv[1])]
get = lambda name: [float(re.search(name + r" ([\d.]+)", l).group(1)) for l in rows]
wc, imp, ours = get("wc"), get("import"), get("ours")
# The floor is the library's own time, without reading the rows file.
floor = [float(re.search(r"whole ([\d.]+) s", l).group(1)) for l in rows]
cells = [float(re.search(r"cells ([\d.]+) s", l).group(1)) for l in rows]
closing = [float(re.search(r"closing ([\d.]+) s", l).group(1)) for l in rows]
for label, pick in (("best", min), ("median", statistics.median)):
    r = [x / w for x, w in zip(ours, wc)]
    f = [x / w for x, w in zip(floor, wc)]
    after = [(o - i) / fl for o, i, fl in zip(ours, imp, floor)]
    print(f"{label}: ours {pick(r):.1f}x wc, floor {pick(f):.1f}x wc "
          f"(cells {pick([c / w for c, w in zip(cells, wc)]):.1f}x, closing "
          f"{pick([c / w for c, w in zip(closing, wc)]):.1f}x), ours after the import "
          f"{pick(after):.2f}x the floor")
PY
