#!/bin/sh
# Generates the benchmark set (1,000,000 movements of the audit profile with planted faults,
# 20,000 accounts, 5,000 items; seed 9) and prints how long the window goes without answering
# while the analysis page runs the journal-entry tests, and how soon it shows their results
# against the engine's pack alone, over a shown main window on the offscreen platform. The set
# takes about 500 MB: WORK_DIR is removed at the end unless KEEP=1.
#
#   bench/jet_page_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]
# BUILD_DIR needs the targets tallyscan-jet-page-bench and tallyscan-gen (a Release build).
set -eu
build=${1:?usage: jet_page_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]}
work=${2:-${TMPDIR:-/tmp}/tallyscan-jet-page-bench}
rounds=${3:-5}
set_dir="$work/set"
if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
  mkdir -p "$set_dir"
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 --items 5000 \
    --seed 9 --profile audit --fault weekend@200 --fault duplicate@100 \
    --fault round-amount@300 --fault transaction-gap@20 --fault keyword@50 \
    --fault benford-spike@3 "$set_dir"
fi
status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/tallyscan-jet-page-bench" --rounds "$rounds" "$set_dir" || status=$?
if [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
exit $status
