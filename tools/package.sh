#!/usr/bin/env bash
# Builds the release packages into build/packages/:
#   tagsmith_<version>_<arch>.deb      tagsmith-run, the Linux library and the
#                                      host folder, its dependencies declared
#   tagsmith-<version>-windows-x64.zip the stripped DLL and its install guide
# from Release builds in build/release and build/windows (the folders
# tools/run.sh and tools/test-windows.sh use, so nothing is built twice).
# Needs what `tools/deps.sh windows` installs.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/packages
jobs=${JOBS:-$(nproc)}
mkdir -p "$out"

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTAGSMITH_TESTS=OFF >/dev/null
cmake --build build/release -j"$jobs" >/dev/null
cpack --config build/release/CPackConfig.cmake -B "$out" >/dev/null

JOBS=$jobs tools/build-windows.sh 2>/dev/null
# The DLL is built; packing it should not build the Windows tests too.
cmake -S . -B build/windows -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cpack --config build/windows/CPackConfig.cmake -B "$out" >/dev/null

rm -rf "$out/_CPack_Packages"
ls -1 "$out"/tagsmith_*.deb "$out"/tagsmith-*.zip
