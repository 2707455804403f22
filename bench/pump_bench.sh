#!/bin/sh
# Generates the benchmark set (1,000,000 movements) and prints what the window's
# progress-and-stop callback costs its import and its check run, against a monitor that
# does nothing, over a shown main window on the offscreen platform.
#
#   bench/pump_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]
# BUILD_DIR needs the targets tallyscan-pump-bench and tallyscan-gen (a Release build).
set -eu
build=${1:?usage: pump_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]}
work=${2:-${TMPDIR:-/tmp}/tallyscan-pump-bench}
rounds=${3:-9}
set_dir="$work/set"
if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
  mkdir -p "$set_dir"
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 "$set_dir"
fi
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/tallyscan-pump-bench" --rounds "$rounds" "$set_dir"
