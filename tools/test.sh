#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: a plain build with g++,
# the same under AddressSanitizer and UndefinedBehaviorSanitizer, a clang
# build, the Windows DLL under wine, the end-to-end tests under valgrind, the
# fuzz targets briefly, and the packages. Warnings are errors. Exits non-zero
# on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh windows

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  echo "=== $dir: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTAGSMITH_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs" >/dev/null
  echo "=== $dir: tests"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
  # The size of the fault-injection matrix: commands times failing calls.
  grep -h '^\[ fault' "$dir"/Testing/Temporary/LastTest*.log 2>/dev/null | sort -u || true
}

run_suite build/test-gcc
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build/test-asan -DTAGSMITH_SANITIZE=ON
run_suite build/test-clang -DCMAKE_CXX_COMPILER=clang++
echo "=== Windows DLL under wine"
JOBS=$jobs tools/test-windows.sh
# valgrind needs the plain build without sanitizers: the g++ suite's.
echo "=== valgrind and fuzzing"
TAGSMITH_VALGRIND_DIR=build/test-gcc TAGSMITH_JOBS=$jobs tools/test-extra.sh
echo "=== packages"
JOBS=$jobs tools/test-package.sh
echo "All test suites passed."
