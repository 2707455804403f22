#!/usr/bin/env bash
# The summary of a sharded batch, written once every array task has ended (failed or not).
#   sbatch --dependency=afterany:JOBID batch-merge.sh RESULTS
#SBATCH --job-name=tallyscan-merge
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "batch-merge.sh: usage: batch-merge.sh RESULTS" >&2
  exit 2
fi
exec "${TALLYSCAN_CLI:-tallyscan-cli}" batch merge "$1"
