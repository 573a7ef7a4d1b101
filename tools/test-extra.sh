#!/usr/bin/env bash
# Checks beyond the unit tests: a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/fuzz.sh "${TAGSMITH_FUZZ_SECONDS:-10}"
