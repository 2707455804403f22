#!/usr/bin/env bash
# The evidence report where every movement line is a hit (all seven days a weekend, every
# amount round to the agora), on a generated set of 1,000,000 movements by default: the time
# and peak memory of `report jet` in the HTML form with `report_hits` 1 (the rows printed are
# the only ones read back), and how soon a Ctrl-C is seen in the phases after the reading,
# with the exit code and whether the earlier report is still there. The set is made under /tmp
# and removed at the end.
#   bench/jet_report_bench.sh [BUILD_FOLDER] [MOVEMENTS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
movements=${2:-1000000}
cli="$build/src/cli/tallyscan-cli"

cmake --build "$build" --target tallyscan-cli tallyscan-gen -j2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-jet-report-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/tools/tallyscan-gen" --quiet --movements "$movements" --seed 3 "$work/set"
cat > "$work/hits.json" <<'JSON'
{"weekend_days": ["sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"],
 "round_unit": "0.01", "report_hits": 1}
JSON
cat "$work/set/BKMVDATA.TXT" >/dev/null  # a warm file cache

measure() {  # FORMAT: seconds and peak resident memory of one report
  /usr/bin/time -f "%e %M" -o "$work/time" "$cli" report jet --format "$1" \
    --params "$work/hits.json" --out "$work/r.$1" "$work/set" >/dev/null 2>"$work/err" || {
    cat "$work/err" >&2
    exit 1
  }
  read -r seconds kilobytes <"$work/time"
  whole=$seconds
  printf "report jet %-4s %8.2f s  %8.1f MB peak  %10d bytes written\n" "$1" "$seconds" \
    "$(python3 -c "print($kilobytes / 1024)")" "$(stat -c %s "$work/r.$1")"
}

# SECONDS FORMAT: a Ctrl-C that many seconds into a report over an earlier one.
stop_after() {
  printf 'the earlier report' >"$work/earlier.$2"
  "$cli" report jet --format "$2" --params "$work/hits.json" --out "$work/earlier.$2" \
    "$work/set" >/dev/null 2>&1 &
  local child=$!
  sleep "$1"
  local sent
  sent=$(date +%s.%N)
  if ! kill -INT "$child" 2>/dev/null; then
    wait "$child" || true
    printf "Ctrl-C at %5.1f s (%-4s) came after the end\n" "$1" "$2"
    return
  fi
  local code=0
  wait "$child" || code=$?
  local ended
  ended=$(date +%s.%N)
  local kept=replaced
  [ "$(head -c 18 "$work/earlier.$2" | tr -d '\0')" = "the earlier report" ] && kept=kept
  local left
  left=$(find "$work" -maxdepth 1 -name "earlier.$2.*" | wc -l)
  printf "Ctrl-C at %5.1f s (%-4s) seen in %6.3f s, exit %d, earlier report %s, %d temporary left\n" \
    "$1" "$2" "$(python3 -c "print($ended - $sent)")" "$code" "$kept" "$left"
}

echo "load average $(cut -d' ' -f1-3 /proc/loadavg); $movements movements, every line a hit"
measure htm
# The HTML form at a fifth, two, three and four fifths of its whole run; the workbook (every
# hit on its sheets) while its sheets are written.
for share in 0.2 0.4 0.6 0.8; do stop_after "$(python3 -c "print(round($whole * $share, 2))")" htm; done
for at in 4 8 12 16; do stop_after "$at" xlsx; done
