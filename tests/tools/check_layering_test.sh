#!/usr/bin/env bash
# The layering check on a copy of the sources: it passes on them as they are,
# and each include planted against the rules makes it fail and name the file.
#
#   tests/tools/check_layering_test.sh SOURCE_DIR
set -euo pipefail
src=$(cd "${1:-"$(dirname "$0")/../.."}" && pwd)
check="$src/tools/check_layering.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sources only: the tests' data and the fuzz corpora are no concern of it.
folders=()
for d in support client charfmt commands plugin memhost comhost mif sim tests bench fuzz tools; do
  [[ -d $src/$d ]] && folders+=("$d")
done
(cd "$src" && find "${folders[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
  tar -cf - --null -T -) | tar -xf - -C "$work"

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Runs the check on the copy; the output goes to $work.out.
run_check() {
  set +e
  bash "$check" "$work" >"$work.out" 2>&1
  status=$?
  set -e
}

run_check
if [[ $status -ne 0 ]]; then
  fail "the sources as they are do not pass:"
  cat "$work.out"
fi

# plant WHAT EXPECTED FILE LINE [FILE LINE]...: appends each LINE to its FILE,
# expects the check to fail with a line matching EXPECTED, then puts the
# files back.
plant() {
  local what=$1 expected=$2
  shift 2
  local files=()
  while [[ $# -gt 0 ]]; do
    cp "$work/$1" "$work/$1.orig"
    echo "$2" >>"$work/$1"
    files+=("$1")
    shift 2
  done
  run_check
  if [[ $status -ne 1 ]] || ! grep -qE "$expected" "$work.out"; then
    fail "$what: status $status, expected a line matching '$expected'; got:"
    cat "$work.out"
  fi
  for f in "${files[@]}"; do mv "$work/$f.orig" "$work/$f"; done
}

plant "a header including one from the folder above" \
  '^support/memory\.h:[0-9]+: support/ includes client/host_api\.h, from client/' \
  support/memory.h '#include "client/host_api.h"'
plant "a source reaching two folders up" \
  '^client/host_api\.cpp:[0-9]+: client/ includes commands/menus\.h' \
  client/host_api.cpp '#include "commands/menus.h"'
plant "a path relative to the including file" \
  '^charfmt/usage_scan\.cpp:[0-9]+: charfmt/ includes plugin/entry\.h' \
  charfmt/usage_scan.cpp '#include "../plugin/entry.h"'
plant "an include in angle brackets" \
  '^client/host_api\.h:[0-9]+: client/ includes charfmt/usage_scan\.h' \
  client/host_api.h '#include <charfmt/usage_scan.h>'
plant "a source folder including a test header" \
  '^memhost/model\.h:[0-9]+: memhost/ includes tests/test_support\.h, from tests/' \
  memhost/model.h '#include "tests/test_support.h"'
plant "the runner including a header of the client" \
  '^sim/run_steps\.h:[0-9]+: sim/ includes commands/menus\.h, from commands/, which it is kept apart' \
  sim/run_steps.h '#include "commands/menus.h"'
plant "the runner including the client's entry" \
  '^sim/progress\.cpp:[0-9]+: sim/ includes plugin/entry\.h' \
  sim/progress.cpp '#include "plugin/entry.h"'
plant "two files including each other's headers" \
  '^support/paths and support/strings include each other' \
  support/paths.cpp '#include "support/strings.h"' \
  support/strings.h '#include "paths.h"'

# Folders on top may use every one below them, and the tests anything.
echo '#include "client/host_api.h"' >>"$work/sim/run_steps.h"
echo '#include "plugin/entry.h"' >>"$work/tests/host_test.h"
run_check
[[ $status -eq 0 ]] || { fail "includes that keep the order were refused:"; cat "$work.out"; }

if [[ $failures -ne 0 ]]; then
  echo "$failures case(s) failed"
  exit 1
fi
echo "the layering check passes the sources and refuses every planted include"
