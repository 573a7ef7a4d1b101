#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 10) from a copy of its seed corpus, JOBS (default: the processors) at a
# time, since each runs on one. Exits non-zero on a finding; the crashing
# input is left in build/fuzz/artifacts/.
#   tools/fuzz.sh --build-only   builds them, runs nothing
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
jobs=${JOBS:-$(nproc)}
dir=build/fuzz
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DTAGSMITH_FUZZ=ON -DTAGSMITH_TESTS=OFF \
  -DTAGSMITH_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the fuzz targets and what they link: the rest of the tree is built
# with clang by the test suites.
cmake --build "$dir" -j"$jobs" --target tagsmith_fuzz_targets >/dev/null
[[ $seconds == --build-only ]] && exit 0
mkdir -p "$dir/artifacts"

fuzz_one() {
  local target=$1 name work
  name=$(basename "$target" _fuzz)
  work="$dir/corpus-$name"
  rm -rf "$work" && mkdir -p "$work"
  [[ -d fuzz/corpus/$name ]] && cp -r fuzz/corpus/"$name"/. "$work"/
  # The identity target starts from the reader's corpus and the example manual as well.
  [[ $name == mif_identity ]] && cp -r fuzz/corpus/mif/. examples/book/*.mif "$work"/
  echo "=== fuzz $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/artifacts/$name-" "$work" 2>&1 | grep -E '^(Done|==.*ERROR|SUMMARY)' || true
}

# Each target's lines are kept apart and shown in the targets' order.
targets=("$dir"/fuzz/*_fuzz)
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
  for target in "${targets[@]:i:jobs}"; do
    fuzz_one "$target" >"$target.said" &
  done
  wait
  for target in "${targets[@]:i:jobs}"; do
    cat "$target.said"
  done
done
found=0
for target in "${targets[@]}"; do
  name=$(basename "$target" _fuzz)
  if ls "$dir/artifacts/$name-"* >/dev/null 2>&1; then
    echo "fuzz target $name found a failing input" >&2
    found=1
  fi
done
exit "$found"
