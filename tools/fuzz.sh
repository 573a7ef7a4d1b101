#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 10) from a copy of its seed corpus. Exits non-zero on the first finding;
# the crashing input is left in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
dir=build/fuzz
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DTAGSMITH_FUZZ=ON -DTAGSMITH_TESTS=OFF \
  -DTAGSMITH_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$(nproc)" >/dev/null
mkdir -p "$dir/artifacts"
for target in "$dir"/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  work="$dir/corpus-$name"
  rm -rf "$work" && mkdir -p "$work"
  [[ -d fuzz/corpus/$name ]] && cp -r fuzz/corpus/"$name"/. "$work"/
  # The identity target starts from the reader's corpus and the example manual as well.
  [[ $name == mif_identity ]] && cp -r fuzz/corpus/mif/. examples/book/*.mif "$work"/
  echo "=== fuzz $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/artifacts/$name-" "$work" 2>&1 | grep -E '^(Done|==.*ERROR|SUMMARY)' || true
  if ls "$dir/artifacts/$name-"* >/dev/null 2>&1; then
    echo "fuzz target $name found a failing input" >&2
    exit 1
  fi
done
