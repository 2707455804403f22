#!/usr/bin/env bash
# layers.sh held to its chief-header rule on small trees made for each case: the checker must
# pass a tree that keeps the rule and fail, naming the fault, each tree that breaks it.
#
#   layers_rules_test.sh SOURCE_DIR
set -uo pipefail
checker="$(cd "$1" && pwd)/tests/layers.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# An include line, written so that the checker run on this repository does not take it for one.
include() { printf '#include "engine/%s"\n' "$1"; }

# A tree that keeps every rule: text/ and isam/ behind their chiefs, common/ with a plain header, a user
# outside the engine and the folder's own test reaching in.
make_tree() {
  rm -rf "$scratch/tree"
  mkdir -p "$scratch/tree"/{src/engine/text,src/engine/common,src/engine/isam,src/cli,tests/engine/text,tools,bench}
  cd "$scratch/tree" || exit 2
  { printf '#pragma once\n\n// What text/ offers.\n\n'; include text/trim.h; } >src/engine/text/text.h
  printf '#pragma once\n\n// Private to text/: the rest includes text/text.h.\n' >src/engine/text/trim.h
  printf '#pragma once\n\n// A status.\n' >src/engine/common/status.h
  printf '#pragma once\n\n// What isam/ offers.\n' >src/engine/isam/isam.h
  { include text/text.h; include common/status.h; } >src/cli/main.cpp
  include text/trim.h >tests/engine/text/trim_test.cpp
}

# case name | what breaks the tree ("" for none) | a word the report must hold ("" to pass)
cases=(
  "kept|:|"
  "outside user of a private header|include text/trim.h >>src/cli/main.cpp|private to text/"
  "another folder's test reaching in|mkdir -p tests/engine/mail && include text/trim.h >tests/engine/mail/t.cpp|private to text/"
  "header neither chief nor private|printf '#pragma once\\n\\n// Dates.\\n' >src/engine/text/dates.h|neither a chief header"
  "marker not in the first comment|printf '#pragma once\\n\\n// Dates.\\n// Private to text/\\n' >src/engine/text/dates.h|neither a chief header"
  "private to the wrong folder|printf '#pragma once\\n\\n// Private to mail/\\n' >src/engine/text/dates.h|neither a chief header"
  "header in a subfolder|mkdir src/engine/text/sub && printf '#pragma once\\n' >src/engine/text/sub/x.h|neither a chief header"
  "chief marked private|printf '#pragma once\\n\\n// Private to text/\\n' >src/engine/text/text.h|chief header marked private"
  "folder without a chief|mkdir src/engine/newer && printf '#pragma once\\n\\n// Private to newer/\\n' >src/engine/newer/a.h|has no chief header"
  "listed chief missing|rm src/engine/text/text.h|is missing"
  "common/ needs no chief|printf '#pragma once\\n\\n// Sums.\\n' >src/engine/common/amount_sum.h|"
)
for case in "${cases[@]}"; do
  IFS='|' read -r name breaking expected <<<"$case"
  make_tree
  eval "$breaking"
  output=$(bash "$checker" .)
  status=$?
  if [ -z "$expected" ]; then
    [ "$status" -eq 0 ] || { echo "FAIL $name: refused: $output"; failed=1; }
  elif [ "$status" -eq 0 ] || ! grep -qF "$expected" <<<"$output"; then
    echo "FAIL $name: status $status, wanted \"$expected\" in: $output"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "layers rules: all ${#cases[@]} cases hold"
exit "$failed"
