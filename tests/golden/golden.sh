#!/usr/bin/env bash
# The golden outputs: tallyscan-cli's output on seeded generated data sets, compared byte for
# byte with the references in tests/golden/expected/. A difference prints a diff and fails.
#
#   golden.sh CLI GEN            compare
#   golden.sh CLI GEN --update   write the references anew (review the diff before committing)
#
# Exit status: 0 when every output equals its reference; 1 when an output differs, or a
# reference has no output in this run; 77 (ctest's skip) when nothing differs but an output
# has no reference yet, so that a missing reference never passes for a pass.
#
# The generator gives the same bytes for the same seed, and the check rows take their time of
# day and the reports their print date from SOURCE_DATE_EPOCH, so every output here is
# reproducible.
set -uo pipefail
cli=$(realpath "$1") gen=$(realpath "$2") mode=${3:-compare}
here=$(cd "$(dirname "$0")" && pwd)
expected=$here/expected
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1736937000 LC_ALL=C.UTF-8

all_faults=()
while read -r name _; do all_faults+=(--fault "$name"); done < <("$gen" --list-faults)
journal_faults=()
while read -r name _; do journal_faults+=(--fault "$name"); done < <("$gen" --list-journal-faults)

# name and generator options of each set
make_sets() {
  "$gen" --quiet --movements 400 --seed 101 "$work/valid"
  "$gen" --quiet --movements 600 --seed 102 "${all_faults[@]}" "$work/faults"
  "$gen" --quiet --movements 300 --seed 103 --dos "$work/dos"
  "$gen" --quiet --movements 300 --seed 104 --zip "$work/zipped"
  "$gen" --quiet --movements 2000 --seed 105 --profile audit "${journal_faults[@]}" "$work/audit"
}
sets=(valid faults dos zipped)

# The detail of INI.TXT line 1, of the first line of each record type and, in the faults
# set, of every line a fault was injected into.
detail_lines() {
  local folder=$1
  awk '{ t = substr($0, 1, 4); if (!(t in seen)) { seen[t] = 1; print NR } }' "$folder/$(data_file "$folder")"
  [ -f "$folder/MANIFEST.TSV" ] &&
    awk -F'\t' 'NR > 1 && $2 == "BKMVDATA.TXT" { print $3 }' "$folder/MANIFEST.TSV"
}

# The data file's name as it stands in the folder (a zip's entry may name it in another case).
data_file() { (cd "$1" && ls | grep -i -m1 '^bkmvdata\.txt$'); }

# The documents page and the item catalogue: every type the set holds (and on the valid set all
# of them in one run), the jump to a number stored zero-padded and to one that is not there, a
# type without documents, the catalogue as loaded and sorted by a text and by the quantity
# balance.
document_outputs() {
  local set=$1 folder=$work/$1 out=$work/out/$1 data types number
  data=$(data_file "$folder")
  [ -n "$data" ] || return 0
  types=$(awk 'substr($0, 1, 4) == "C100" { print substr($0, 23, 3) }' "$folder/$data" | sort -u)
  for type in $types; do
    record "$out/view-documents-$type.raw" view documents --raw --type "$type" "$set"
  done
  record "$out/view-items.raw" view items --raw "$set"
  record "$out/view-items-sort5.raw" view items --raw --sort 5 "$set"
  if [ "$set" = valid ]; then
    number=$(awk 'substr($0, 1, 4) == "C100" && substr($0, 23, 3) == "400" { print substr($0, 26, 20); exit }' "$folder/$data" | sed 's/^[ 0]*//; s/ *$//')
    record "$out/view-documents-jump.raw" view documents --raw --type 400 --number "$number" "$set"
    record "$out/view-documents-jump.json" view documents --format json --type 400 --number "$number" "$set"
    record "$out/view-documents-missing.raw" view documents --raw --type 400 --number 999999 "$set"
    record "$out/view-documents-none.raw" view documents --raw --type 330 "$set"
    record "$out/view-items-sort12.csv" view items --format csv --sort 12 "$set"
    record "$out/view-documents-400.txt" view documents --type 400 "$set"
    record "$out/view-documents-all.raw" view documents --raw --type all "$set"
    record "$out/view-items.txt" view items "$set"
  fi
}

# The sets whose outputs are also recorded as JSON and CSV.
scripted_sets=" valid faults "

# Output of one command (run in the work folder) and its exit code, into a file.
record() {
  local file=$1
  shift
  (cd "$work" && "$cli" "$@" >"$file" 2>&1; echo "exit $?" >>"$file")
}

run_outputs() {
  local set=$1 folder=$work/$1 out=$work/out/$1
  mkdir -p "$out"
  document_outputs "$set"
  record "$out/import.raw" import --raw "$set"
  record "$out/check.raw" check --raw "$set"
  if [ "$set" = valid ]; then
    record "$out/import.txt" import "$set"
    record "$out/check.txt" check "$set"
  fi
  if [[ $scripted_sets == *" $set "* ]]; then
    for format in json csv; do
      record "$out/import.$format" import --format "$format" "$set"
      record "$out/check.$format" check --format "$format" "$set"
    done
  fi
  # The detail's failing fields are all in the faults set.
  local formats=(raw)
  [ "$set" = faults ] && formats+=(json csv)
  [ "$set" = valid ] && formats+=(text)
  local data
  data=$(data_file "$folder")
  for format in "${formats[@]}"; do
    {
      cd "$work" || exit 1
      "$cli" detail --format "$format" "$set/INI.TXT" 1 2>&1; echo "exit $?"
      for n in $(detail_lines "$folder" | sort -n -u); do
        echo "== line $n"
        "$cli" detail --format "$format" "$set/$data" "$n" 2>&1; echo "exit $?"
      done
    } >"$out/detail.${format/text/txt}"
  done
  # The reports as the HTML document in both forms (code page 1255, CR LF); a report that
  # cannot be written leaves its error and exit code instead.
  local kind
  for kind in import checks; do
    for format in htm xls; do
      report_file "$out/report-$kind.$format" "$kind" --format "$format" "$set"
    done
  done
  # The field statistics and the producer's summaries, as rows and as their JSON documents;
  # on the valid set also as reports and in the text form.
  for format in raw json; do
    record "$out/fields.$format" fields --format "$format" "$set"
    record "$out/summary-documents.$format" summary documents --format "$format" "$set"
    record "$out/summary-records.$format" summary records --format "$format" "$set"
  done
  if [ "$set" = valid ]; then
    record "$out/fields-b100.txt" fields --record B100 "$set"
    for kind in fields summary-documents summary-records; do
      report_file "$out/report-$kind.htm" "$kind" --format htm "$set"
    done
  fi
}

# The trimmed keys of the first and the last account in key order, one a line.
account_bounds() {
  awk 'substr($0, 1, 4) == "B110" { print substr($0, 23, 15) }' "$1" | LC_ALL=C sort |
    sed -n '1p;$p' | sed 's/^ *//; s/ *$//'
}

# The browsers' grids: the index as loaded and sorted by name, every ledger card, and the
# refusals of a range that names no card or runs backwards.
view_outputs() {
  local set=$1 folder=$work/$1 out=$work/out/$1
  record "$out/view-index.raw" view index --raw "$set"
  record "$out/view-index-sort3.raw" view index --raw --sort 3 "$set"
  local data first last
  data=$(data_file "$folder")
  [ -n "$data" ] || return 0
  { read -r first; read -r last; } < <(account_bounds "$folder/$data")
  record "$out/view-ledger.raw" view ledger --raw --from "$first" --to "$last" "$set"
  if [ "$set" = valid ]; then
    record "$out/view-ledger.json" view ledger --format json --from "$first" "$set"
    record "$out/view-ledger.txt" view ledger --from "$first" --to "$last" "$set"
    record "$out/view-index.txt" view index "$set"
    record "$out/view-ledger-refused.raw" view ledger --raw --from "$last" --to "$first" "$set"
    record "$out/view-ledger-unknown.raw" view ledger --raw --from NO-SUCH-CARD "$set"
  fi
}

# The browsers' reports as the HTML document: both forms on the valid set, the e-mail form on
# the DOS-coded set (its texts converted).
browser_reports() {
  local set=$1 folder=$work/$1 out=$work/out/$1 data first last forms=(htm)
  [ "$set" = valid ] && forms+=(xls)
  data=$(data_file "$folder")
  { read -r first; read -r last; } < <(account_bounds "$folder/$data")
  local number
  number=$(awk 'substr($0, 1, 4) == "C100" && substr($0, 23, 3) == "400" { print substr($0, 26, 20); exit }' "$folder/$data" | sed 's/^[ 0]*//; s/ *$//')
  for format in "${forms[@]}"; do
    report_file "$out/report-index.$format" index --sort 3 --format "$format" "$set"
    report_file "$out/report-ledger.$format" ledger --from "$first" --to "$last" --format "$format" "$set"
    report_file "$out/report-document-305.$format" document --type 305 --format "$format" "$set"
    report_file "$out/report-document-400.$format" document --type 400 --number "$number" --format "$format" "$set"
    report_file "$out/report-items.$format" items --format "$format" "$set"
  done
}

# A report written to FILE; a report that cannot be written leaves its error and exit code
# there instead.
report_file() {
  local file=$1
  shift
  (cd "$work" && "$cli" report "$@" --out "$file" 2>"$work/report.err") ||
    { echo "exit $?"; cat "$work/report.err"; } >"$file"
}

# The transfer into a folder of its own, then each file it wrote through its byte map: the
# index files as `isam dump` reads them, the others as `transfer dump` does.
transfer_outputs() {
  local set=$1 out=$work/out/$1/transfer target=transfer-$1 file name
  mkdir -p "$out" "$work/$target"
  record "$out/transfer.txt" transfer --to "$target" "$set"
  for file in "$work/$target"/*; do
    [ -f "$file" ] || continue
    name=${file##*/}
    if (cd "$work" && "$cli" transfer dump "$target/$name" 2>/dev/null | sed -n 2p) |
      grep -q '^header A:'; then
      record "$out/$name.isam" isam dump "$target/$name"
    else
      record "$out/$name.dump" transfer dump "$target/$name"
    fi
  done
}

# The journal-entry tests on the realistic ledger with every journal fault planted (the audit
# set): the whole result as JSON (the program's version, which names the build, masked), the
# summary, and the hit rows of tests that group lines and of a gap test.
jet_outputs() {
  local set=$1 out=$work/out/$1 test
  mkdir -p "$out"
  record "$out/jet.json" jet --format json "$set"
  sed -i '2s/^  "version": "[^"]*",$/  "version": "(masked)",/' "$out/jet.json"
  record "$out/jet.txt" jet "$set"
  for test in duplicate reversal document-gap; do
    record "$out/jet-hits-$test.raw" jet --raw --hits "$test" "$set"
  done
}

# The evidence report of the journal-entry tests in both HTML forms, on the audit set; the
# version is masked.
jet_report_outputs() {
  local set=audit out=$work/out/jet-report format version
  mkdir -p "$out"
  version=$("$cli" --version | sed 's/^tallyscan-cli //')
  for format in htm xls; do
    report_file "$out/report-jet.$format" jet --format "$format" "$set"
    sed -i "s/$version/VERSION/g" "$out/report-jet.$format"
  done
}

# The comparison of a year with the next: the valid set with every fault of the next year
# planted, and the DOS-coded and the zipped sets with their clean next years, as rows and as
# the JSON result (the version masked); the valid pair's report in both HTML forms.
compare_outputs() {
  local out=$work/out/compare pair prior current format version
  mkdir -p "$out"
  next_faults=()
  while read -r name _; do next_faults+=(--fault "$name"); done < <("$gen" --list-next-year-faults)
  "$gen" --next-year "$work/valid" "$work/valid-next" --seed 201 "${next_faults[@]}" || return 1
  "$gen" --next-year "$work/dos" "$work/dos-next" || return 1
  "$gen" --next-year "$work/zipped" "$work/zipped-next" || return 1
  for pair in valid dos zipped; do
    prior=$pair current=$pair-next
    record "$out/$pair.raw" compare --raw "$prior" "$current"
    record "$out/$pair.json" compare --format json "$prior" "$current"
    sed -i '2s/^  "version": "[^"]*",$/  "version": "(masked)",/' "$out/$pair.json"
  done
  cp "$work/valid-next/MANIFEST.TSV" "$out/valid-next-manifest.tsv"
  version=$("$cli" --version | sed 's/^tallyscan-cli //')
  for format in htm xls; do
    report_file "$out/report-compare.$format" compare --format "$format" valid valid-next
    sed -i "s/$version/VERSION/g" "$out/report-compare.$format"
  done
}

make_sets || { echo "golden: the generator failed"; exit 1; }
for s in "${sets[@]}"; do
  run_outputs "$s"
  view_outputs "$s"
  case $s in valid | dos) browser_reports "$s" ;; esac
  case $s in valid | dos) transfer_outputs "$s" ;; esac
done
jet_outputs audit
jet_report_outputs
# Last: reading a zipped set extracts its data file into the folder.
compare_outputs || { echo "golden: the generator's next year failed"; exit 1; }

if [ "$mode" = "--update" ]; then
  rm -rf "$expected"
  cp -r "$work/out" "$expected"
  echo "golden: references written to $expected; review them with git diff"
  exit 0
fi

failed=0 unrecorded=0
while IFS= read -r -d '' file; do
  rel=${file#"$work/out/"}
  if [ ! -f "$expected/$rel" ]; then
    echo "golden: SKIPPED $rel (no reference; run with --update to record it)"
    unrecorded=$((unrecorded + 1))
    continue
  fi
  if ! cmp -s "$expected/$rel" "$file"; then
    echo "golden: DIFFERS $rel"
    diff -u --label "expected/$rel" --label "actual/$rel" "$expected/$rel" "$file" | head -60 | cat -v
    failed=1
  fi
done < <(find "$work/out" -type f -print0 | sort -z)
while IFS= read -r -d '' file; do
  rel=${file#"$expected/"}
  [ -f "$work/out/$rel" ] || { echo "golden: MISSING output $rel"; failed=1; }
done < <(find "$expected" -type f -print0 | sort -z)
[ "$failed" -eq 0 ] || exit 1
if [ "$unrecorded" -gt 0 ]; then
  echo "golden: $unrecorded outputs have no reference; the others equal theirs"
  exit 77
fi
echo "golden: every output equals its reference"
exit 0
