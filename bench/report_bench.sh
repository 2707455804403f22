#!/usr/bin/env bash
# The report writers against the import of a set of the same size, measured in this run:
#   - the ledger of every card of MOVEMENTS movements (11 columns) as the HTML document and as
#     the workbook, against the import of a generated set of MOVEMENTS movements: a stream of
#     the benchmark's own, and the real "Kartis" report through tallyscan-cli (its import
#     included; "report only" takes the import's time away);
#   - the accounts index of ACCOUNTS accounts as a PDF, from the benchmark's stream and from
#     the real "Index" report of a set of that many accounts;
#   - the real "Checks" and "Import" reports of that set through tallyscan-cli, in each form.
# Each writer runs in a process of its own, so its peak memory is its own. CPU seconds (user +
# system) are given beside the wall-clock ones: on a shared machine they are the steadier.
#   bench/report_bench.sh [MOVEMENTS] [ACCOUNTS] [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
movements=${1:-1000000}
accounts=${2:-20000}
build=${3:-build/release}

cmake --build "$build" --target tallyscan-gen tallyscan-cli report_bench -j2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tallyscan-report-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/tools/tallyscan-gen" --quiet --movements "$movements" "$work/set"
cat "$work/set/BKMVDATA.TXT" >/dev/null

# "wall cpu peak_mb" of a command, from GNU time.
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; return 1; }
  awk '{ printf "%.2f %.2f %.1f\n", $1, $2 + $3, $4 / 1024 }' "$work/time"
}

# The baseline is the command-line import, which reads the set as the reports' producers do.
read -r import_wall import_cpu import_mb < <(measure "$build/src/cli/tallyscan-cli" import "$work/set")
printf "%-34s %8s %8s %9s %10s\n" "" "wall s" "cpu s" "peak MB" "cpu/import"
row() {
  printf "%-34s %8.2f %8.2f %9.1f %10.2f\n" "$1" "$2" "$3" "$4" \
    "$(python3 -c "print($3 / $import_cpu)")"
}
row "import of $movements movements" "$import_wall" "$import_cpu" "$import_mb"
for format in htm xls xlsx; do
  read -r wall cpu mb < <(measure "$build/bench/report_bench" "$format" ledger "$movements" \
    "$work/ledger.$format")
  row "ledger, $movements lines, $format" "$wall" "$cpu" "$mb"
done
# The first and the last account key: the range of every card.
keys=$(awk 'substr($0, 1, 4) == "B110" { print substr($0, 23, 15) }' "$work/set/BKMVDATA.TXT" |
  LC_ALL=C sort | sed -n '1p;$p' | sed 's/^ *//; s/ *$//')
first=$(sed -n 1p <<<"$keys") last=$(sed -n 2p <<<"$keys")
for format in htm xls xlsx; do
  read -r wall cpu mb < <(measure "$build/src/cli/tallyscan-cli" report ledger --from "$first" \
    --to "$last" --format "$format" --out "$work/kartis.$format" "$work/set")
  row "cli report ledger $format" "$wall" "$cpu" "$mb"
  printf "%-34s %8.2f %8.2f %9s %10.2f\n" "  report only" \
    "$(python3 -c "print($wall - $import_wall)")" "$(python3 -c "print($cpu - $import_cpu)")" "" \
    "$(python3 -c "print(($cpu - $import_cpu) / $import_cpu)")"
done
echo "  (ledger report: $(grep -c '^<Tr' "$work/kartis.htm") lines)"
read -r wall cpu mb < <(measure "$build/bench/report_bench" pdf index "$accounts" "$work/index.pdf")
row "index, $accounts accounts, pdf" "$wall" "$cpu" "$mb"
echo "  (index PDF: $(pdfinfo "$work/index.pdf" | awk '/^Pages/ { print $2 }') pages)"
"$build/tools/tallyscan-gen" --quiet --movements "$((accounts * 5))" --accounts "$accounts" \
  "$work/accounts"
read -r wall cpu mb < <(measure "$build/src/cli/tallyscan-cli" report index --format pdf \
  --out "$work/real-index.pdf" "$work/accounts")
row "cli report index pdf (with import)" "$wall" "$cpu" "$mb"
echo "  (index PDF: $(pdfinfo "$work/real-index.pdf" | awk '/^Pages/ { print $2 }') pages)"
for kind in import checks; do
  for format in htm xlsx pdf; do
    read -r wall cpu mb < <(measure "$build/src/cli/tallyscan-cli" report "$kind" --format \
      "$format" --out "$work/$kind.$format" "$work/set")
    row "cli report $kind $format (with import)" "$wall" "$cpu" "$mb"
  done
done
echo "  (checks report: $(grep -c '^<Tr' "$work/checks.htm") lines)"
