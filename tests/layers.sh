#!/usr/bin/env bash
# The boundaries between the parts of the program, checked on the sources:
#  - a header whose first comment says "Private to FOLDER/" is included only from that folder
#    of the engine and from its tests;
#  - every folder of the engine but common/ (whose small headers are each public) is behind
#    its chief headers, one or two, listed below in `chiefs`: every other header of the folder,
#    in its subfolders too, begins its first comment with "// Private to FOLDER/", so the rest
#    of the system includes the chiefs alone;
#  - the engine includes no Qt header;
#  - the record manager (engine/isam/, exported by libtallyscan on its own) includes nothing
#    of the transfer that uses it;
#  - nothing outside the application includes the application's headers, but the
#    application's own benchmarks in bench/app/.
#
#   layers.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 2
failed=0
report() { echo "layers: $*"; failed=1; }

# The chief headers of the engine's folders, under src/engine/.
chiefs="analytics/analytics.h browse/browse.h checks/checks.h isam/isam.h mail/mail.h
  portfolio/portfolio.h program/program.h report/report.h report/report_writers.h text/text.h
  transfer/transfer.h uniform/import.h uniform/uniform.h"

# The folder a header's first comment makes it private to, if any.
private_to() { grep -m1 '^//' "$1" | sed -n 's|^// Private to \([a-z_]*\)/.*|\1|p'; }

while IFS= read -r header; do
  folder=$(private_to "$header")
  [ -n "$folder" ] || continue
  name=${header#src/}
  while IFS= read -r user; do
    case $user in
      src/engine/$folder/* | tests/engine/$folder/*) ;;
      *) report "$user includes $name, private to $folder/" ;;
    esac
  done < <(grep -rlF "#include \"$name\"" src tests tools bench)
done < <(find src/engine -name '*.h' | sort)

for dir in src/engine/*/; do
  folder=$(basename "$dir")
  [ "$folder" = common ] && continue
  mine=$(for chief in $chiefs; do case $chief in "$folder"/*) echo "src/engine/$chief" ;; esac; done)
  [ -n "$mine" ] || report "$folder/ has no chief header"
  for chief in $mine; do
    [ -f "$chief" ] || report "${chief#src/}, a chief header, is missing"
  done
  while IFS= read -r header; do
    if echo "$mine" | grep -qxF "$header"; then
      [ -z "$(private_to "$header")" ] || report "${header#src/} is a chief header marked private"
    elif [ "$(private_to "$header")" != "$folder" ]; then
      report "${header#src/} is neither a chief header of $folder/ nor private to $folder/"
    fi
  done < <(find "src/engine/$folder" -name '*.h' | sort)
done

grep -rn '#include <Q' src/engine && report "the engine includes Qt"
grep -rn '#include "engine/transfer/' src/engine/isam && report "the record manager includes the transfer"
grep -rln '#include "app/' src tools bench | grep -v '^src/app/\|^bench/app/' |
  while IFS= read -r user; do echo "layers: $user includes the application's headers"; done |
  grep . && failed=1

[ "$failed" -eq 0 ] && echo "layers: every include keeps to its layer"
exit "$failed"
