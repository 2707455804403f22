#!/usr/bin/env bash
# tallyscan-cli batch on one machine, in one run:
#  1. 40 clients of 100,000 movements with --jobs 2 against the same clients' `batch --one` run
#     one after another (the ratio's target: at most 0.6 on 2 cores);
#  2. the same portfolio resumed unchanged (no child starts);
#  3. 1,000 small clients resumed unchanged, the summary written (target: under 2 s);
#  4. 20 clients of 200,000 movements with --memory 600M: the sum of the children's resident
#     sizes sampled from /proc every 20 ms, its peak against the 600 MB budget.
# The load average is printed before and after (the machine is shared). The sets are made
# under /tmp and removed at the end.
#   bench/batch_bench.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
cmake --build "$build" --target tallyscan-gen tallyscan-cli -j2 >/dev/null
gen=$build/tools/tallyscan-gen
cli=$build/src/cli/tallyscan-cli

work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-batch-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
now() { date +%s.%N; }

for i in $(seq -w 1 40); do
  "$gen" --quiet --profile audit --movements 100000 --seed "$i" "$work/forty/c$i"
done
cat "$work"/forty/*/BKMVDATA.TXT >/dev/null
serial_start=$(now)
for folder in "$work"/forty/*/; do
  id=$(basename "$folder")
  "$cli" batch --one "$folder" --out "$work/serial/$id" >/dev/null 2>&1
done
serial=$(python3 -c "print($(now) - $serial_start)")
batch_start=$(now)
"$cli" batch --jobs 2 --no-summary --out "$work/batch" "$work/forty" 2>/dev/null || true
batched=$(python3 -c "print($(now) - $batch_start)")
resume_start=$(now)
"$cli" batch --jobs 2 --no-summary --out "$work/batch" "$work/forty" 2>/dev/null || true
resumed=$(python3 -c "print($(now) - $resume_start)")

"$gen" --quiet --movements 400 --seed 3 "$work/small-template"
for i in $(seq -w 1 1000); do
  mkdir -p "$work/small/s$i"
  cp "$work/small-template/INI.TXT" "$work/small-template/BKMVDATA.TXT" "$work/small/s$i/"
done
"$cli" batch --jobs 2 --out "$work/small-results" "$work/small" 2>/dev/null || true
small_start=$(now)
"$cli" batch --jobs 2 --out "$work/small-results" "$work/small" 2>/dev/null || true
small=$(python3 -c "print($(now) - $small_start)")

for i in $(seq -w 1 20); do
  "$gen" --quiet --movements 200000 --seed "1$i" "$work/twenty/t$i"
done
cat "$work"/twenty/*/BKMVDATA.TXT >/dev/null
"$cli" batch --jobs 20 --memory 600M --no-summary --out "$work/twenty-results" \
  "$work/twenty" 2>/dev/null &
parent=$!
peak=$(python3 - "$parent" <<'PY'
import os, sys, time
parent = sys.argv[1]
def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return f.read().split()
    except OSError:
        return []
def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0
def tree(pid):
    found = []
    for child in children(pid):
        found.append(child)
        found.extend(tree(child))
    return found
def running(pid):
    # The parent may end between any two reads: a state that cannot be read is an end.
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split()[2] != "Z"
    except OSError:
        return False
peak = 0
while running(parent):
    peak = max(peak, sum(rss_kb(p) for p in tree(parent)))
    time.sleep(0.02)
print(peak)
PY
)
wait "$parent" || true
twenty_bytes=$(cat "$work"/twenty/*/BKMVDATA.TXT | wc -c)

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$serial" "$batched" "$resumed" "$small" "$peak" "$twenty_bytes" <<'PY'
import sys
serial, batched, resumed, small, peak, size = map(float, sys.argv[1:])
print(f"40 clients of 100,000 movements: batch --one one after another {serial:.2f} s, "
      f"batch --jobs 2 {batched:.2f} s, ratio {batched / serial:.2f} (target at most 0.6)")
print(f"the same resumed unchanged: {resumed:.2f} s")
print(f"1,000 small clients resumed unchanged, with the summary: {small:.2f} s (target under 2 s)")
print(f"20 clients of 200,000 movements ({size / 1e6:,.0f} MB), --memory 600M: peak of the "
      f"children's resident sizes {peak / 1024:.0f} MiB ({peak * 1024 / 1e6:.0f} MB)")
PY
