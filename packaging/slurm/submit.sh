#!/usr/bin/env bash
# Submits a planned batch: one array task per shard of PLAN (never one per client), then the
# merge, which runs after every task has ended. Prints the array's job id and the merge's, one
# a line. The sbatch options go to both jobs; what follows -- goes to each shard's batch.
#   submit.sh PLAN RESULTS [sbatch options...] [-- batch options...]
# PLAN and RESULTS must lie on folders every node sees.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "submit.sh: usage: submit.sh PLAN RESULTS [sbatch options...] [-- batch options...]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
plan=$(cd "$1" && pwd)
results=$(realpath -m "$2")
shift 2
sbatch_options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  sbatch_options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
# The shards are numbered from 0 without a gap: the array's index names the shard.
shards=0
while [ -f "$plan/shard-$(printf %03d "$shards").txt" ]; do shards=$((shards + 1)); done
if [ "$shards" -eq 0 ]; then
  echo "submit.sh: $plan holds no shard-000.txt (make it with tallyscan-cli batch plan)" >&2
  exit 1
fi
mkdir -p "$results"
array=$(sbatch --parsable --array=0-$((shards - 1)) "${sbatch_options[@]}" \
  "$here/batch-array.sh" "$plan" "$results" "$@")
array=${array%%;*}
merge=$(sbatch --parsable --dependency=afterany:"$array" "${sbatch_options[@]}" \
  "$here/batch-merge.sh" "$results")
merge=${merge%%;*}
echo "$array"
echo "$merge"
