#!/usr/bin/env bash
# The memory of the journal-entry tests when nearly every test hits every movement line: a
# parameter file with all seven weekend days and a round unit of 0.01 makes such a run. On a
# generated set (1,000,000 movements by default) `tallyscan-cli jet --format json` runs with
# the defaults and with that file; the peak resident memory of each, and the bytes each hit
# line beyond the default run's costs. The set is made under /tmp and removed at the end.
#   bench/jet_hits_bench.sh [BUILD_FOLDER] [MOVEMENTS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
movements=${2:-1000000}

cmake --build "$build" --target tallyscan-gen tallyscan-cli -j2 >/dev/null
cli="$build/src/cli/tallyscan-cli"

work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-jet-hits-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/tools/tallyscan-gen" --quiet --movements "$movements" --seed 9 "$work/set"
cat >"$work/every-line.json" <<'JSON'
{"weekend_days": ["sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"],
 "round_unit": "0.01"}
JSON

# Peak resident KB and the hit lines of every test, of one run.
measure() {
  local kb
  kb=$( { /usr/bin/time -f "%M" "$cli" jet --format json "$@" "$work/set" >"$work/out.json"; } 2>&1 |
    tail -n 1)
  local hits
  hits=$(python3 -c "import json, sys; print(sum(len(t['lines']) for t in json.load(open(sys.argv[1]))['tests']))" \
    "$work/out.json")
  echo "$kb $hits"
}

read -r base_kb base_hits < <(measure)
read -r all_kb all_hits < <(measure --params "$work/every-line.json")
python3 - "$movements" "$base_kb" "$base_hits" "$all_kb" "$all_hits" <<'PY'
import sys
movements, base_kb, base_hits, all_kb, all_hits = map(int, sys.argv[1:])
print(f"movements          {movements:,}")
print(f"default run        {base_kb / 1024:,.0f} MB peak, {base_hits:,} hit lines")
print(f"every-line run     {all_kb / 1024:,.0f} MB peak, {all_hits:,} hit lines")
extra = all_hits - base_hits
if extra > 0:
    print(f"per hit line       {(all_kb - base_kb) * 1024 / extra:.2f} bytes beyond the default run")
PY
