#!/bin/sh
# Prints how long the window goes without answering while its pages do the seven long works
# (the reading, the checks, the journal-entry pack and its hits list, the field statistics,
# the accounts index, the largest card) over a shown main window on the offscreen platform,
# with each work's time, processor time and load, and a closing note of the worst of each.
# SET_DIR names a data set already made; without it the ten-million-movement set is generated
# (50,000 accounts, 200,000 documents, 5,000 items; seed 21; about 3.5 GB, and the program
# holds it in memory) under WORK_DIR, which is removed at the end unless KEEP=1.
#
#   bench/window_bench.sh BUILD_DIR [SET_DIR] [ROUNDS]
# BUILD_DIR needs the targets tallyscan-window-bench and tallyscan-gen (a Release build).
set -eu
build=${1:?usage: window_bench.sh BUILD_DIR [SET_DIR] [ROUNDS]}
set_dir=${2:-}
rounds=${3:-3}
work=${WORK_DIR:-${TMPDIR:-/tmp}/tallyscan-window-bench}
made=0
if [ -z "$set_dir" ]; then
  set_dir="$work/set"
  if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
    mkdir -p "$set_dir"
    "$build/tools/tallyscan-gen" --quiet --movements 10000000 --accounts 50000 \
      --documents 200000 --items 5000 --seed 21 "$set_dir"
  fi
  made=1
fi
wc -l "$set_dir/BKMVDATA.TXT"
status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/tallyscan-window-bench" --rounds "$rounds" "$set_dir" || status=$?
if [ "$made" = 1 ] && [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
exit $status
