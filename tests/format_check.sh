#!/usr/bin/env bash
# Every C and C++ file under src/, tools/, tests/ and bench/ is in clang-format's form (the
# repository's .clang-format); none is left out. A file out of form is named with what
# clang-format would change, and fails the check; `make format` puts it right.
#
#   format_check.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 2
tool=$(command -v clang-format || command -v clang-format-14) ||
  { echo "format: clang-format is not installed"; exit 77; }
mapfile -d '' files < <(find src tools tests bench -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z)
[ "${#files[@]}" -gt 0 ] || { echo "format: no sources found"; exit 1; }
if ! "$tool" --dry-run --Werror "${files[@]}"; then
  echo "format: files above are not in clang-format's form (make format)"
  exit 1
fi
echo "format: all ${#files[@]} files are in clang-format's form"
