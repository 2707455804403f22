#!/usr/bin/env bash
# The views and reports of a whole set against `wc -l` of the same BKMVDATA.TXT, each measured in
# the same run on a warm file cache, best of ROUNDS: the ledger of every card (`view ledger` as
# text and raw, the "Kartis" report as HTML and as a workbook, with its peak memory), the
# documents of every type (`view documents --type all`, and one command per type as before it
# existed) and the documents register of every document with its marks (documents_bench). The
# commands include their import; the import alone is given beside them. With a second build
# folder the same commands of that build are measured too, round by round in turn, so that both
# see the same load (the load average is printed with each round).
#
#   bench/views_bench.sh BUILD [BEFORE_BUILD] [ROUNDS] [GENERATOR_OPTIONS...]
# The set defaults to 1,000,000 movements, 20,000 accounts, 100,000 documents, 5,000 items,
# seed 9; it is made under $TMPDIR and removed at the end, unless BENCH_SET names a set folder
# made beforehand, which is used as it is and kept.
set -euo pipefail
build=${1:?usage: views_bench.sh BUILD [BEFORE_BUILD] [ROUNDS] [GENERATOR_OPTIONS...]}
before=${2:-}
rounds=${3:-5}
shift $(($# < 3 ? $# : 3))
options=("$@")
[ ${#options[@]} -gt 0 ] ||
  options=(--movements 1000000 --accounts 20000 --documents 100000 --items 5000 --seed 9)

work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-views-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -n "${BENCH_SET:-}" ]; then
  ln -s "$(realpath "$BENCH_SET")" "$work/set"
else
  "$build/tools/tallyscan-gen" --quiet "${options[@]}" "$work/set"
fi
data=$work/set/BKMVDATA.TXT
cat "$data" >/dev/null
keys=$(awk 'substr($0, 1, 4) == "B110" { print substr($0, 23, 15) }' "$data" | LC_ALL=C sort |
  sed -n '1p;$p' | sed 's/^ *//; s/ *$//')
first=$(sed -n 1p <<<"$keys") last=$(sed -n 2p <<<"$keys")
types=$(awk 'substr($0, 1, 4) == "C100" { print substr($0, 23, 3) }' "$data" | sort -u)

# "wall cpu peak_kb" of a command: the wall clock to the nanosecond, the processor time and the
# peak from GNU time.
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; return 1; }
  end=$(date +%s.%N)
  awk -v wall="$(python3 -c "print($end - $start)")" \
    '{ printf "%.4f %.3f %d\n", wall, $1 + $2, $3 }' "$work/time"
}
every_type() {
  local cli=$1 type
  for type in $types; do "$cli" view documents --raw --type "$type" "$work/set"; done
}
register() { "$1" "$work/set" >"$work/register"; }

# name and command of each measurement, per build; {cli} and {bench} stand for the build's.
names=(wc import "view ledger (text)" "view ledger --raw" "report ledger htm"
  "report ledger xlsx" "view documents --type all" "documents, one command per type")
run_one() {
  local b=$1 n=$2 cli=$1/src/cli/tallyscan-cli
  case $n in
    0) measure wc -l "$data" ;;
    1) measure "$cli" import --raw "$work/set" ;;
    2) measure "$cli" view ledger --from "$first" --to "$last" "$work/set" ;;
    3) measure "$cli" view ledger --raw --from "$first" --to "$last" "$work/set" ;;
    4) measure "$cli" report ledger --from "$first" --to "$last" --format htm --out "$work/k.htm" "$work/set" ;;
    5) measure "$cli" report ledger --from "$first" --to "$last" --format xlsx --out "$work/k.xlsx" "$work/set" ;;
    6) if "$cli" view documents --raw --type all "$work/set" >/dev/null 2>&1; then
      measure "$cli" view documents --raw --type all "$work/set"
    else echo "- - -"; fi ;;
    7) export -f every_type; export types work
      measure bash -c 'every_type "$0"' "$cli" ;;
  esac
}

builds=("$build")
[ -n "$before" ] && builds+=("$before")
declare -A best_wall best_cpu peak
for round in $(seq "$rounds"); do
  echo "round $round, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  for b in "${builds[@]}"; do
    for n in "${!names[@]}"; do
      [ "$n" -eq 0 ] && [ "$b" != "$build" ] && continue
      read -r wall cpu kb < <(run_one "$b" "$n")
      [ "$wall" = - ] && continue
      key="$b|$n"
      best_wall[$key]=$(python3 -c "print(min(${best_wall[$key]:-1e9}, $wall))")
      best_cpu[$key]=$(python3 -c "print(min(${best_cpu[$key]:-1e9}, $cpu))")
      peak[$key]=$kb
    done
  done
  # The register of every document with its marks, as the documents benchmark times it.
  for b in "${builds[@]}"; do
    "$b/bench/documents_bench" "$work/set" >"$work/documents.$round.$(basename "$(dirname "$b")")$(basename "$b")" 2>&1 || true
  done
done
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"

wc_wall=${best_wall[$build|0]} wc_cpu=${best_cpu[$build|0]}
printf "%-34s %-10s %8s %8s %8s %8s %9s\n" "best of $rounds" build "wall s" "x wc" "cpu s" "x wc" \
  "peak MB"
for n in "${!names[@]}"; do
  for b in "${builds[@]}"; do
    key="$b|$n"
    [ -n "${best_wall[$key]:-}" ] || continue
    label=after
    [ "$b" = "$before" ] && label=before
    [ "$n" -eq 0 ] && label=-
    printf "%-34s %-10s %8.3f %8.1f %8.3f %8.1f %9.0f\n" "${names[$n]}" "$label" \
      "${best_wall[$key]}" "$(python3 -c "print(${best_wall[$key]} / max($wc_wall, 1e-3))")" \
      "${best_cpu[$key]}" "$(python3 -c "print(${best_cpu[$key]} / max($wc_cpu, 0.01))")" \
      "$(python3 -c "print(${peak[$key]} / 1024)")"
  done
done
for b in "${builds[@]}"; do
  label=after
  [ "$b" = "$before" ] && label=before
  python3 - "$label" "$wc_wall" "$work"/documents.*."$(basename "$(dirname "$b")")$(basename "$b")" <<'PY'
import re, sys
label, wc = sys.argv[1], float(sys.argv[2])
best = None
for path in sys.argv[3:]:
    text = open(path).read()
    m = re.search(r"register of all (\d+) documents: rows ([\d.]+) s, their marks .*? ([\d.]+) s;", text)
    if m:
        total = float(m.group(2)) + float(m.group(3))
        best = total if best is None else min(best, total)
if best is not None:
    print(f"{'register of all documents + marks':34} {label:10} {best:8.3f} "
          f"{best / max(wc, 1e-3):8.1f}   (after the import, documents_bench)")
PY
done
