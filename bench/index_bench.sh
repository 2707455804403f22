#!/bin/sh
# Generates the large chart (1,000,000 movements, 200,000 accounts, 100,000 documents) and
# prints what the accounts index page costs the window's thread: opening it after an import
# (rows shown, columns sized) and each keystroke of a filter typed letter by letter, with the
# longest time the window went without answering, over a shown main window on the offscreen
# platform. The set takes about 500 MB: WORK_DIR is removed at the end unless KEEP=1.
#
#   bench/index_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]
# BUILD_DIR needs the targets tallyscan-index-bench and tallyscan-gen (a Release build).
set -eu
build=${1:?usage: index_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]}
work=${2:-${TMPDIR:-/tmp}/tallyscan-index-bench}
rounds=${3:-3}
set_dir="$work/set"
if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
  mkdir -p "$set_dir"
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 200000 --documents 100000 \
    --items 5000 --seed 9 "$set_dir"
fi
status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/tallyscan-index-bench" --rounds "$rounds" "$set_dir" || status=$?
if [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
exit $status
