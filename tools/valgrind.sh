#!/usr/bin/env bash
# Runs the end-to-end tests (the loadable client and the COM bridge, driven
# through the COM test host) under valgrind's memcheck, from a plain Debug
# build without sanitizers. Exits non-zero on any memory error or leak, or
# when a test fails. Arguments go to the test program (e.g. --gtest_filter=).
#
#   tools/valgrind.sh                      # every test of com_tests
#   TAGSMITH_VALGRIND_DIR=/tmp/vg tools/valgrind.sh --gtest_filter='Plugin*'
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${TAGSMITH_VALGRIND_DIR:-build/valgrind}
jobs=${TAGSMITH_JOBS:-2}

command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 2; }
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTAGSMITH_SANITIZE=OFF -DTAGSMITH_TESTS=ON \
  -DTAGSMITH_WERROR=ON >/dev/null
cmake --build "$dir" -j"$jobs" --target com_tests >/dev/null

log="$dir/valgrind.log"
status=0
# Leaks count as errors (definite and possible ones, memcheck's default
# kinds); still-reachable blocks (run-time libraries, ICU's caches) do not.
valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --track-origins=yes \
  --log-file="$log" "$dir/com_tests" "$@" || status=$?
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost" "$log" || true
if [[ $status -ne 0 ]]; then
  echo "valgrind: errors or failing tests (exit $status); details in $log" >&2
  exit "$status"
fi
echo "valgrind: clean"
