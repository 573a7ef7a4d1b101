#!/usr/bin/env bash
# Cross-builds the Windows client DLL with mingw-w64: build/windows/bin/tagsmith.dll
# (BUILD_DIR=... for another folder).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build/windows}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target tagsmith >/dev/null
echo "Windows DLL: $build/bin/tagsmith.dll" >&2
