#!/bin/bash
# The whole transfer of a 1,000,000-movement set (20,000 accounts, 100,000 documents, 5,000
# items) against its import time, then 1,000,000 inserts with three keys in bulk mode.
#   bench/transfer_bench.sh BUILD_DIR [MOVEMENTS]
set -euo pipefail
build=${1:?usage: transfer_bench.sh BUILD_DIR [MOVEMENTS]}
movements=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/tallyscan-gen" --quiet --movements "$movements" --accounts $((movements / 50)) \
  --documents $((movements / 10)) --items $((movements / 200)) "$work/data"
mkdir "$work/target"
"$build/bench/transfer_bench" "$work/data" "$work/target"
"$build/bench/isam_bench" --bulk "$movements" "$work/bulk.idx"
