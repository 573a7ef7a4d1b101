#!/usr/bin/env bash
# Builds the release packages into build/packages/ (or $PACKAGE_DIR):
#   tagsmith_<version>_<arch>.deb      tagsmith-run, its private libraries,
#                                      the host folder, manual page and bash
#                                      completion, its dependencies declared
#   tagsmith-<version>-windows-x64.zip the stripped DLL, its install guide and
#                                      the licence
#   SHA256SUMS                         the two packages' checksums
# from Release builds in build/release and build/windows (the folders
# tools/run.sh and tools/test-windows.sh use, so nothing is built twice), and
# prints each package's path and size.
#
# The packages are reproducible: every file in them carries the time of the
# last commit (SOURCE_DATE_EPOCH, when not set already), so the same commit
# gives the same bytes wherever and whenever it is built.
# Needs what `tools/deps.sh windows` installs.
#
#   tools/package.sh --build-release   only builds build/release, the Linux
#                                      half (tools/test.sh starts it early)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${PACKAGE_DIR:-build/packages}
jobs=${JOBS:-$(nproc)}
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null ||
    dpkg-parsechangelog -l packaging/debian/changelog -S Timestamp)
fi
export SOURCE_DATE_EPOCH
# Runs a step quietly; on failure shows what it said.
quiet() {
  local log
  log=$("$@" 2>&1) || { printf '%s\n' "$log" >&2; echo "package: failed: $*" >&2; return 1; }
}

quiet cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTAGSMITH_TESTS=OFF
quiet cmake --build build/release -j"$jobs"
[[ "${1:-}" == --build-release ]] && exit 0
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/tagsmith_*.deb "$out"/tagsmith-*.zip "$out/SHA256SUMS"
quiet cpack --config "$PWD/build/release/CPackConfig.cmake" -B "$out"

JOBS=$jobs quiet tools/build-windows.sh
# The DLL is built; packing it should not build the Windows tests too.
quiet cmake -S . -B build/windows -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
quiet cpack --config "$PWD/build/windows/CPackConfig.cmake" -B "$out"

rm -rf "$out/_CPack_Packages"
cd "$out"
packages=(tagsmith_*.deb tagsmith-*-windows-x64.zip)
sha256sum "${packages[@]}" >SHA256SUMS
for p in "${packages[@]}"; do
  printf '%s  %s bytes\n' "$out/$p" "$(stat -c %s "$p")"
done
