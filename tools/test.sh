#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: a plain build with g++,
# the same under AddressSanitizer and UndefinedBehaviorSanitizer, a clang
# build, the Windows DLL under wine, the end-to-end tests under valgrind, the
# fuzz targets briefly, and the packages. Warnings are errors. Exits non-zero
# on any failure.
#
# The builds of the later sections (the Windows DLL and its tests, the fuzz
# targets, the release build the packages are made from) start at once, in
# the background at the lowest priority: they take only the processor time
# the suites leave idle (configuring, linking, the last tests of a run), and
# each section waits for its build before it starts.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh windows

jobs=$(nproc)
mkdir -p build
early() {
  local name=$1; shift
  nice -n 19 "$@" >"build/early-$name.log" 2>&1 &
  eval "early_$name=$!"
}
await() {
  local name=$1 pid
  pid=$(eval echo "\$early_$name")
  wait "$pid" || { cat "build/early-$name.log" >&2; echo "test: building $name failed" >&2; exit 1; }
}
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
early windows env JOBS="$jobs" tools/test-windows.sh --build-only
early fuzz env JOBS="$jobs" tools/fuzz.sh --build-only
early release env JOBS="$jobs" tools/package.sh --build-release

# Debug builds with line tables only: the stacks that the sanitizers and
# valgrind print keep their functions, files and lines, for a good part less
# compile time than full debug information.
run_suite() {
  local dir=$1; shift
  echo "=== $dir: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTAGSMITH_WERROR=ON \
    "$@" >/dev/null
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
await windows
JOBS=$jobs tools/test-windows.sh
# valgrind needs the plain build without sanitizers: the g++ suite's.
echo "=== valgrind and fuzzing"
await fuzz
TAGSMITH_VALGRIND_DIR=build/test-gcc TAGSMITH_JOBS=$jobs tools/test-extra.sh
echo "=== packages"
await release
JOBS=$jobs tools/test-package.sh
echo "All test suites passed."
