#!/usr/bin/env bash
# tagsmith-run on a generated book of 50 chapters (about 2,000,000
# characters): time and peak memory of "List Character Usage" and "Delete
# Unused Character Tags" for the whole book, each phase apart (reading the
# MIF files, the command, printing and writing the results).
#
#   bench/sim_bench.sh [BUILD_DIR]    (default build/release; tagsmith-run is built there)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${RUNS:-3}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAGSMITH_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tagsmith-run >/dev/null
tool="$build/tools/tagsmith-run"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/book" "$work/host" "$work/out"
echo "generating: $(awk -v dir="$work/book" -v chapters=50 -f bench/sim_generate.awk)"
echo "MIF text: $(du -sh "$work/book" | cut -f1)"

measure() {
  local label=$1
  shift
  for ((i = 1; i <= runs; i++)); do
    rm -rf "$work/out"
    local start end timings
    start=$(date +%s.%N)
    timings=$("$tool" --timings --host-dir "$work/host" "$@" 2>&1 >/dev/null | grep '^timings:')
    end=$(date +%s.%N)
    printf '%-30s run %d: wall %s s; %s\n' "$label" "$i" \
      "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')" "${timings#timings: }"
  done
}

echo "client: $("$tool" --list | head -1 | sed 's/.*client: \(.*\))\./\1/')"
measure "List Character Usage (book)" ListCharUsageBook "$work/book/Bench.book"
measure "Delete Unused Character Tags" --yes DeleteUnusedCharsBook "$work/book/Bench.book" \
  --out-dir "$work/out"
