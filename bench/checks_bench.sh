#!/bin/sh
# Generates the benchmark set (1,000,000 movements, 20,000 accounts, 100,000 documents
# with their lines) and prints the time of all checks against the time of its import.
#
#   bench/checks_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]
set -eu
build=${1:?usage: checks_bench.sh BUILD_DIR [WORK_DIR] [ROUNDS]}
work=${2:-${TMPDIR:-/tmp}/tallyscan-checks-bench}
rounds=${3:-3}
set_dir="$work/set"
if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
  mkdir -p "$set_dir"
  "$build/tools/tallyscan-gen" --quiet --movements 1000000 --accounts 20000 \
    --documents 100000 --seed 7 "$set_dir"
fi
ls -l "$set_dir"
"$build/bench/checks_bench" "$set_dir" "$rounds"
