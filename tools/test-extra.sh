#!/usr/bin/env bash
# Checks beyond the unit tests: the end-to-end tests under valgrind's
# memcheck, and a short run of every fuzz target (TAGSMITH_FUZZ_SECONDS each,
# default 5, TAGSMITH_JOBS of them at a time).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/valgrind.sh
JOBS=${TAGSMITH_JOBS:-2} tools/fuzz.sh "${TAGSMITH_FUZZ_SECONDS:-5}"
