#!/usr/bin/env bash
# The bash completion of tagsmith-run against the built program: options,
# commands and the values of options that name files, with the forms a
# command line takes ("--json FILE", "--json=FILE").
#
#   tests/tools/completion_test.sh SOURCE_DIR TAGSMITH_RUN
set -uo pipefail
src=$1
program=$2
# shellcheck source=/dev/null
source "$src/packaging/tagsmith-run.bash"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir out-dir && touch chapter1.mif chapter2.mif Manual.book

failures=0
# expect "WORDS..." "CANDIDATES": completing the last word gives exactly them.
expect() {
  read -r -a COMP_WORDS <<<"$1"
  [[ "$1" == *" " ]] && COMP_WORDS+=("")
  COMP_WORDS[0]=$program
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _tagsmith_run
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  if [[ "$got" != "$2" ]]; then
    echo "FAILED: completing '$1' gave '$got', not '$2'"
    failures=$((failures + 1))
  fi
}

# Options, those named only in the synopsis (check's) included.
expect "tagsmith-run --js" "--json"
expect "tagsmith-run --allow" "--allow-missing"
expect "tagsmith-run check --un" "--undefined --unused"
# Every option that starts a line of the usage text is offered.
for option in $("$program" --help | sed -n -E 's/^  (-[A-Za-z0-9-]+, )*(--?[a-z-]+).*/\2/p'); do
  grep -qx -e "$option" <<<"$_tagsmith_run_options" ||
    { echo "FAILED: $option is not completed"; failures=$((failures + 1)); }
done
# Commands, by their client-call strings, before any file.
expect "tagsmith-run ListCharUsageB" "ListCharUsageBook ListCharUsageBookByTag ListCharUsageBookIndividual"
expect "tagsmith-run --yes --json report.json RemoveCharOverridesB" "RemoveCharOverridesBook"
expect "tagsmith-run --json = report.json ch" "check"
expect "tagsmith-run Tagsmith" "TagsmithAbout"
# Files after the command, and as the values of the options that take one.
expect "tagsmith-run ListCharUsage ch" "chapter1.mif chapter2.mif"
expect "tagsmith-run check M" "Manual.book"
expect "tagsmith-run --json ch" "chapter1.mif chapter2.mif"
expect "tagsmith-run --output = ch" "chapter1.mif chapter2.mif"
expect "tagsmith-run --out-dir " "out-dir"
# A value that is not a file is the user's to type.
expect "tagsmith-run --choose " ""

if ((failures)); then
  echo "$failures completion case(s) failed"
  exit 1
fi
echo "completion: all cases passed"
