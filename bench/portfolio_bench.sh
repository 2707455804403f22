#!/usr/bin/env bash
# The portfolio summary over CLIENTS results folders (default 1,000) of one generated client
# of 2,000 movements (audit profile, every planted journal fault), analysed once by
# tallyscan-cli and copied under other ids, against reading every file of RESULTS once, in one
# run. The folder is made under /tmp and removed at the end.
#   bench/portfolio_bench.sh [BUILD_FOLDER] [CLIENTS] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
clients=${2:-1000}
rounds=${3:-5}

cmake --build "$build" --target tallyscan-gen tallyscan-cli portfolio_bench -j2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-portfolio-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
gen=$build/tools/tallyscan-gen cli=$build/src/cli/tallyscan-cli
faults=()
while read -r name _; do faults+=(--fault "$name"); done < <("$gen" --list-journal-faults)
"$gen" --quiet --movements 2000 --seed 31 --profile audit "${faults[@]}" "$work/set"
one=$work/one
mkdir -p "$one"
for analysis in import check jet; do
  "$cli" "$analysis" --format json "$work/set" >"$one/$analysis.json" || [ $? -eq 3 ]
done
for n in $(seq -w 1 "$clients"); do
  dir=$work/results/clients/c$n
  mkdir -p "$dir"
  cp "$one"/*.json "$dir/"
  cat >"$dir/manifest.json" <<JSON
{"client": "c$n", "label": "", "inputs": [], "analysis_version": 1, "parameters_sha256": null,
 "analyses": ["import", "check", "jet"], "status": "findings", "reason": "", "exit_code": 0,
 "signal": null, "started": "2026-12-09T20:00:00Z", "seconds": 1, "peak_rss_kb": null}
JSON
done
${BENCH_WRAP:-} "$build/bench/portfolio_bench" --rounds "$rounds" "$work/results"
