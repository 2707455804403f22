#!/usr/bin/env bash
# One array task of a sharded batch: the shard numbered by the task's index, its clients into
# RESULTS (a folder every node sees), no summary: the merge job writes it once, after every task.
#   sbatch --array=0-N batch-array.sh PLAN RESULTS [batch options...]
# The exit code is the batch's own: 4 when some client of the shard failed, so the scheduler
# shows that task as failed while the merge still runs.
#SBATCH --job-name=tallyscan-shard
set -euo pipefail
if [ $# -lt 2 ] || [ -z "${SLURM_ARRAY_TASK_ID:-}" ]; then
  echo "batch-array.sh: runs as a task of a job array: sbatch --array=0-N batch-array.sh PLAN RESULTS" >&2
  exit 2
fi
plan=$1 results=$2
shift 2
shard=$plan/shard-$(printf %03d "$SLURM_ARRAY_TASK_ID").txt
exec "${TALLYSCAN_CLI:-tallyscan-cli}" batch --list "$shard" --jobs "${SLURM_CPUS_PER_TASK:-1}" \
  --no-summary "$@" --out "$results"
