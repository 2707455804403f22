#!/usr/bin/env bash
# The shell documentation against the program: every command and option that tallyscan-cli
# lists in its usage text, and every exit code it lists, is in its manual page and in its bash
# completion; every Hebrew message the manual pages quote is one the sources hold, word for
# word (as a whole string of the sources); the pages render without a warning; the completion completes.
# The options tallyscan-gen and the desktop application list are in their manual pages as well.
# usage: cli_docs_test.sh TALLYSCAN_CLI SOURCE_DIR [TALLYSCAN_GEN [TALLYSCAN]]
set -uo pipefail
cli=$1
source_dir=$2
gen=${3:-}
app=${4:-}
man_dir=$source_dir/packaging/man
page=$man_dir/tallyscan-cli.1
completion=$source_dir/packaging/completion/tallyscan-cli
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The usage as the program prints it: --help where it exists, the usage error otherwise.
usage=$({ "$cli" --help; "$cli"; } 2>&1)
commands=$(sed -n 's/^  tallyscan-cli \([a-z][a-z-]*\).*/\1/p' <<<"$usage" | sort -u)
options=$(grep -o -- '--[a-z][a-z-]*' <<<"$usage" | sort -u)
[ -n "$commands" ] || fail "no commands found in the usage text:"$'\n'"$usage"

completion_commands=$(sed -n 's/^ *local commands="\(.*\)"/\1/p' "$completion")
command_entries=$(sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$page")
for command in $commands; do
  grep -Eq "^\.BR? \"?$command( |\"|$)" <<<"$command_entries" ||
    fail "tallyscan-cli.1 has no entry for $command under COMMANDS"
  grep -qw -- "$command" <<<"$completion_commands" || fail "the completion does not offer $command"
  grep -Eq "^ *$command\)" "$completion" || fail "the completion has no case for $command"
done
for option in $options; do
  grep -qF -- "${option//-/\\-}" "$page" || fail "tallyscan-cli.1 does not document $option"
  grep -qw -- "$option" "$completion" || fail "the completion does not offer $option"
done
# Exit codes, where the usage lists them ("exit codes:" followed by "  N  meaning" lines).
codes=$(sed -n '/^exit codes:/,/^$/s/^  \([0-9][0-9]*\) .*/\1/p' <<<"$usage" | sort -nu)
for code in $codes; do
  sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$page" | grep -qx "\.B $code" ||
    fail "tallyscan-cli.1 does not list exit status $code"
done

if [ -n "$gen" ]; then
  for option in $("$gen" --help 2>&1 | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "${option//-/\\-}" "$man_dir/tallyscan-gen.1" ||
      fail "tallyscan-gen.1 does not document $option"
  done
fi

# The desktop application answers --help without a window.
if [ -n "$app" ]; then
  for option in $("$app" --help 2>&1 | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "${option//-/\\-}" "$man_dir/tallyscan.1" ||
      fail "tallyscan.1 does not document $option"
  done
fi

# Hebrew quoted in the pages is the program's own text.
for man_page in "$man_dir"/*.1; do
  while IFS= read -r quoted; do
    grep -rqF -- "\"$quoted\"" "$source_dir/src" ||
      fail "$(basename "$man_page") quotes \"$quoted\", which no source holds"
  done < <(grep -oP '"[^"]*\p{Hebrew}[^"]*"' "$man_page" | sed 's/^"//; s/"$//' | sort -u)
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$man_page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$man_page") renders with warnings: $warnings"
  fi
done

# The completion at work, where bash-completion is installed.
if [ -r /usr/share/bash-completion/bash_completion ]; then
  complete_line() {
    bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$1"
      shift
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
      COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _tallyscan_cli
      printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" 2>/dev/null
  }
  [ "$(complete_line tallyscan-cli ch)" = check ] || fail "tallyscan-cli ch<TAB> is not check"
  [ "$(complete_line tallyscan-cli check --items B2,D | tr '\n' ' ')" = \
    "B2,D1 B2,D2 B2,D3 B2,D4 B2,D5 B2,D6 B2,D7 B2,D8 B2,D9 " ] ||
    fail "check --items B2,D<TAB> does not offer the document checks"
  [ "$(complete_line tallyscan-cli isam d)" = dump ] || fail "isam d<TAB> is not dump"
  [ "$(complete_line tallyscan-cli detail --format j)" = json ] ||
    fail "detail --format j<TAB> is not json"
else
  echo "bash-completion is not installed: the completion is not run"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s)"
  exit 1
fi
echo "commands: $(echo $commands); options: $(echo $options); exit codes: $(echo $codes)"
