#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Tagsmith (the Linux shared library
# and, where the cross compiler is available, the Windows DLL) and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh windows
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTAGSMITH_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" >/dev/null
if [[ -x tools/build-windows.sh ]]; then
  tools/build-windows.sh
fi
if [[ -x build/release/tools/tagsmith-run ]]; then
  build/release/tools/tagsmith-run --host-dir build/release/host ListCharUsageBook \
    examples/book/Manual.book "$@"
else
  build/release/tools/tagsmith-demo "$@"
fi
