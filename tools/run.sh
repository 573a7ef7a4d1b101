#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Tagsmith (the Linux shared library
# and, where the cross compiler is available, the Windows DLL) and runs it on
# the example manual with tagsmith-run: "List Character Usage" for the whole
# book, or the command line given (tools/run.sh ListCharUsage
# examples/book/chapter1.mif).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh windows
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTAGSMITH_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" >/dev/null
if [[ -x tools/build-windows.sh ]]; then
  tools/build-windows.sh
fi
if [[ -x build/release/tools/tagsmith-run ]]; then
  if [[ $# -eq 0 ]]; then
    set -- ListCharUsageBook examples/book/Manual.book
  fi
  exec build/release/tools/tagsmith-run "$@"
else
  build/release/tools/tagsmith-demo "$@"
fi
