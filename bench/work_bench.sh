#!/bin/sh
# Generates the benchmark set (1,000,000 movements, 100,000 documents) and prints how long the
# window goes without answering while "כל הסוגים" and the largest card are shown, over a shown
# main window on the offscreen platform. The set takes about 461 MB: WORK_DIR is removed at the
# end unless KEEP=1.
#
#   bench/work_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]
# BUILD_DIR needs the targets tallyscan-work-bench and tallyscan-gen (a Release build).
set -eu
build=${1:?usage: work_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]}
work=${2:-${TMPDIR:-/tmp}/tallyscan-work-bench}
rounds=${3:-3}
set_dir="$work/set"
if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
  mkdir -p "$set_dir"
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 --documents 100000 \
    --items 5000 --seed 9 "$set_dir"
fi
status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/tallyscan-work-bench" --rounds "$rounds" "$set_dir" || status=$?
if [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
exit $status
