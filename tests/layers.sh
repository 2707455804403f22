#!/usr/bin/env bash
# The boundaries between the parts of the program, checked on the sources:
#  - a header whose first comment says "Private to FOLDER/" is included only from that folder
#    of the engine and from its tests;
#  - a folder whose chief header is named for it (browse/browse.h) has no other public header:
#    the rest of the system includes the chief one;
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

while IFS= read -r header; do
  folder=$(sed -n 's|^// Private to \([a-z_]*\)/.*|\1|p' "$header" | head -1)
  [ -n "$folder" ] || continue
  name=${header#src/}
  while IFS= read -r user; do
    case $user in
      src/engine/$folder/* | tests/engine/$folder/*) ;;
      *) report "$user includes $name, private to $folder/" ;;
    esac
  done < <(grep -rlF "#include \"$name\"" src tests tools bench)
done < <(find src/engine -name '*.h' | sort)

for chief in src/engine/browse/browse.h; do
  folder=$(basename "$(dirname "$chief")")
  for header in "src/engine/$folder"/*.h; do
    [ "$header" = "$chief" ] && continue
    grep -q "^// Private to $folder/" "$header" ||
      report "${header#src/} is neither $folder/'s chief header nor private to $folder/"
  done
done

grep -rn '#include <Q' src/engine && report "the engine includes Qt"
grep -rn '#include "engine/transfer/' src/engine/isam && report "the record manager includes the transfer"
grep -rln '#include "app/' src tools bench | grep -v '^src/app/\|^bench/app/' |
  while IFS= read -r user; do echo "layers: $user includes the application's headers"; done |
  grep . && failed=1

[ "$failed" -eq 0 ] && echo "layers: every include keeps to its layer"
exit "$failed"
