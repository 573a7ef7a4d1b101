#!/usr/bin/env bash
# Formats every C++ source of the project in place with the .clang-format at
# the top of the tree. `--check` changes nothing and lists the files that
# would change (exit status 1 when there are any). Other versions of
# clang-format break some lines differently; the style was tuned on 14.
# CLANG_FORMAT names another binary.
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
folders=(support client charfmt commands plugin memhost comhost mif sim tests bench fuzz examples
         tools)
mapfile -t files < <(git ls-files -- "${folders[@]}" | grep -E '\.(h|hpp|c|cc|cpp)$')
if [[ ${1:-} == --check ]]; then
  changed=0
  for f in "${files[@]}"; do
    if ! "$format" --style=file "$f" | cmp -s - "$f"; then
      echo "$f"
      changed=1
    fi
  done
  exit $changed
fi
"$format" -i --style=file "${files[@]}"
