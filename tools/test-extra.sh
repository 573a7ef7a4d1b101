#!/usr/bin/env bash
# Checks beyond the unit tests: the end-to-end tests under valgrind's
# memcheck, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/valgrind.sh
tools/fuzz.sh "${TAGSMITH_FUZZ_SECONDS:-10}"
