#!/bin/sh
# Makes the evidence report of the journal-entry tests as the e-mail form (".Htm") on an audit
# set with every journal fault planted FAULTS times (MOVEMENTS movements, seed 9; every test's
# first 1,000 hits, as by default) and prints how long the window goes without answering while
# the e-mail dialog opens on it and its preview is scrolled to the end, over a shown main
# window on the offscreen platform. WORK_DIR is removed at the end unless KEEP=1.
#
#   bench/mail_bench.sh BUILD_DIR [MOVEMENTS] [FAULTS] [ROUNDS] [WORK_DIR]
# BUILD_DIR needs the targets tallyscan-mail-bench, tallyscan-cli and tallyscan-gen.
set -eu
build=${1:?usage: mail_bench.sh BUILD_DIR [MOVEMENTS] [FAULTS] [ROUNDS] [WORK_DIR]}
movements=${2:-200000}
faults=${3:-1}
rounds=${4:-3}
work=${5:-${TMPDIR:-/tmp}/tallyscan-mail-bench}
set_dir="$work/set"
if [ ! -f "$set_dir/BKMVDATA.TXT" ]; then
  mkdir -p "$set_dir"
  planted=$("$build/tools/tallyscan-gen" --list-journal-faults |
    awk -v n="$faults" 'NF { printf " --fault %s", $1; if (n != 1) printf "@%s", n }')
  # shellcheck disable=SC2086
  "$build/tools/tallyscan-gen" --quiet --movements "$movements" --seed 9 --profile audit \
    $planted "$set_dir"
fi
"$build/src/cli/tallyscan-cli" report jet --format htm --out "$work/jet.Htm" "$set_dir"
status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$build/bench/app/tallyscan-mail-bench" --rounds "$rounds" "$work/jet.Htm" || status=$?
if [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
exit $status
