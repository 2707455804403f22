#!/usr/bin/env bash
# Runs a planned batch's shards over ssh hosts, one shard at a time on each host, then writes
# the summary once. RESULTS must lie on a folder every host sees, at the same path.
#   batch-hosts.sh PLAN RESULTS HOSTS_FILE [parallel options...] [-- batch options...]
# HOSTS_FILE is parallel's --sshloginfile. The job log, RESULTS/shards.joblog, records each
# shard's exit value and signal; run again and only the shards that failed or never ran run
# again (the plan must not change in between). Each shard's output is in
# RESULTS/shards/shard-NNN.log.
# Exits 0, 3 or 4 as the shards' batches did (the highest of them), 1 when a shard did not
# run to its end (no host, a signal, an exit code a batch does not give, no log of its own) or
# the merge failed.
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "batch-hosts.sh: usage: batch-hosts.sh PLAN RESULTS HOSTS_FILE [parallel options...] [-- batch options...]" >&2
  exit 2
fi
plan=$(cd "$1" && pwd)
results=$(realpath -m "$2")
hosts=$3
shift 3
parallel_options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  parallel_options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
cli=${TALLYSCAN_CLI:-tallyscan-cli}

shards=()
while [ -f "$plan/shard-$(printf %03d "${#shards[@]}").txt" ]; do
  shards+=("$(printf %03d "${#shards[@]}")")
done
if [ "${#shards[@]}" -eq 0 ]; then
  echo "batch-hosts.sh: $plan holds no shard-000.txt (make it with tallyscan-cli batch plan)" >&2
  exit 1
fi
mkdir -p "$results/shards"

# The command as the remote shell reads it: every path quoted, the shard's number in its
# place ({} is the number, so no output is named by a path's last part).
q() { printf '%q' "$1"; }
command="$(q "$cli") batch --list $(q "$plan")/shard-{}.txt --no-summary"
for option in "$@"; do command+=" $(q "$option")"; done
command+=" --out $(q "$results") >$(q "$results")/shards/shard-{}.log 2>&1"

set +e
parallel --will-cite --jobs 1 --sshloginfile "$hosts" --joblog "$results/shards.joblog" \
  --resume-failed "${parallel_options[@]}" "$command" ::: "${shards[@]}"
set -e

# A shard the job log calls ended whose command never ran (a remote shell that took the command
# and ran nothing, say) leaves no log; its clients would be missing from the summary, so that is
# a failure too. Its lines leave the job log, so that the next run runs it again rather than taking it as done.
missing=()
for shard in "${shards[@]}"; do
  ended=$(awk -F'\t' -v seq="$((10#$shard + 1))" '$1 == seq { last = $7 " " $8 } END { print last }' \
    "$results/shards.joblog" 2>/dev/null || true)
  case "$ended" in "0 0" | "3 0" | "4 0") ;; *) continue ;; esac
  if [ ! -f "$results/shards/shard-$shard.log" ]; then
    echo "batch-hosts.sh: shard $shard left no $results/shards/shard-$shard.log: its batch never ran (the hosts' shell must be bash); run again to run it" >&2
    missing+=("$((10#$shard + 1))")
  fi
done
if [ "${#missing[@]}" -gt 0 ] && [ -f "$results/shards.joblog" ]; then
  awk -F'\t' -v drop="${missing[*]}" 'BEGIN { split(drop, d, " "); for (i in d) gone[d[i]] = 1 }
    NR == 1 || !($1 in gone)' "$results/shards.joblog" >"$results/shards.joblog.kept"
  mv "$results/shards.joblog.kept" "$results/shards.joblog"
fi

"$cli" batch merge "$results" || exit 1

# The job log: Seq Host Starttime JobRuntime Send Receive Exitval Signal Command; a shard run
# again adds a line, so its last line counts.
set +e
awk -F'\t' 'NR > 1 { host[$1] = $2; code[$1] = $7; signal[$1] = $8 }
  END {
    for (seq in code) {
      if (signal[seq] != 0 || (code[seq] != 0 && code[seq] != 3 && code[seq] != 4)) {
        printf "batch-hosts.sh: shard %03d on %s ended with exit %s, signal %s; run again to resume it\n", seq - 1, host[seq], code[seq], signal[seq] > "/dev/stderr"
        bad = 1
      } else if (code[seq] + 0 > worst) worst = code[seq] + 0
    }
    exit bad ? 1 : worst
  }' "$results/shards.joblog"
status=$?
set -e
[ "${#missing[@]}" -eq 0 ] || exit 1
exit "$status"
