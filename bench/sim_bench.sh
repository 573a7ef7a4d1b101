#!/usr/bin/env bash
# tagsmith-run against its floor, in ratios that hold on a shared machine:
# peak memory over the MIF read, "List Character Usage" against a one-pass
# awk lister of the same tags (tag_floor.awk), "Delete Unused Character Tags"
# against "List Character Usage", the processor time per MB of a long book
# against a short one, and, from tagsmith_bench, the COM bridge against
# direct calls and the usage scan against its host calls alone.
#
#   bench/sim_bench.sh [--full] [--runs N] [--no-build] [--old OLD_BUILD_DIR] [BUILD_DIR]
#
# BUILD_DIR (default build/release) is configured as a Release build with the
# benchmarks and built, unless --no-build. --old measures a second build in
# the same runs, for a column of its own. Runs of every case alternate, and
# each figure is the median of the runs (3 by default). Processor time is
# user + system; peak memory the maximum resident size (/usr/bin/time).
# The default run takes a few minutes; --full sweeps documents of 1 to 32 MB,
# books of 5 to 80 chapters and 10 to 40,000 formats; SIZES (MB), CHAPTERS
# and FORMATS set lists of one's own.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=3
full=0
build=
old=
nobuild=0
while [[ $# -gt 0 ]]; do
  case $1 in
    --full) full=1 ;;
    --runs) runs=$2; shift ;;
    --no-build) nobuild=1 ;;
    --old) old=$(realpath "$2"); shift ;;
    *) build=$1 ;;
  esac
  shift
done
build=${build:-build/release}
if [[ $nobuild -eq 0 ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAGSMITH_BENCH=ON -DTAGSMITH_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target tagsmith-run tagsmith_bench >/dev/null
fi
build=$(realpath "$build")
tools=(new)
dirs=("$build")
if [[ -n $old ]]; then tools=(old new); dirs=("$old" "$build"); fi

if [[ $full -eq 1 ]]; then
  sizes=(1 2 4 8 16 32) chapters=(5 10 20 40 50 80) formats=(10 100 1000 10000 40000)
else
  sizes=(4 32) chapters=(5 50 80) formats=(10 1000 40000)
fi
# Lists of one's own, e.g. SIZES="1 2" CHAPTERS="5 10" FORMATS=100.
[[ -z ${SIZES:-} ]] || read -r -a sizes <<<"$SIZES"
[[ -z ${CHAPTERS:-} ]] || read -r -a chapters <<<"$CHAPTERS"
[[ -z ${FORMATS:-} ]] || read -r -a formats <<<"$FORMATS"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/empty-host"
generate() { awk -v dir="$1" "${@:2}" -f bench/sim_generate.awk >/dev/null; }
bytes() { cat "$@" | wc -c; }
declare -A size
for s in "${sizes[@]}"; do  # about 1,900 bytes a paragraph
  mkdir -p "$work/doc$s"
  generate "$work/doc$s" -v doc=doc.mif -v paras=$((s * 1048576 / 1884))
  size[doc$s]=$(bytes "$work/doc$s/doc.mif")
done
for c in "${chapters[@]}"; do
  mkdir -p "$work/book$c"
  generate "$work/book$c" -v chapters="$c"
  size[book$c]=$(bytes "$work/book$c"/*)
done
for f in "${formats[@]}"; do
  mkdir -p "$work/formats$f"
  generate "$work/formats$f" -v doc=doc.mif -v paras=400 -v formats="$f"
  size[formats$f]=$(bytes "$work/formats$f/doc.mif")
done

results="$work/results"
: >"$results"
measure() {  # column, case, command...
  local column=$1 label=$2
  shift 2
  rm -rf "$work/out"
  mkdir -p "$work/out"
  # The shell's clock counts milliseconds, /usr/bin/time's only hundredths.
  local TIMEFORMAT='%3U %3S' figures
  { time /usr/bin/time -f '%M %x' -o "$work/time" "$@" >/dev/null 2>&1 </dev/null; } 2>"$work/cpu" || true
  figures="$(tail -1 "$work/cpu") $(tail -1 "$work/time")"
  [[ ${figures##* } == 0 ]] || echo "$column $label: exit status ${figures##* }" >&2
  echo "$column $label $figures" >>"$results"
}

for ((r = 1; r <= runs; r++)); do
  echo "run $r of $runs" >&2
  for s in "${sizes[@]}"; do
    measure floor "doc$s-list" awk -f bench/tag_floor.awk "$work/doc$s/doc.mif"
  done
  for i in "${!tools[@]}"; do
    t=${tools[$i]}
    run=("${dirs[$i]}/tools/tagsmith-run")
    for s in "${sizes[@]}"; do measure "$t" "doc$s-list" "${run[@]}" ListCharUsage "$work/doc$s/doc.mif"; done
    for c in "${chapters[@]}"; do
      book="$work/book$c/Bench.book"
      measure "$t" "book$c-list" "${run[@]}" ListCharUsageBook "$book"
      measure "$t" "book$c-delete" "${run[@]}" --yes DeleteUnusedCharsBook "$book" --out-dir "$work/out"
      if [[ $c -eq 50 ]]; then
        measure "$t" "book$c-list-emptyhost" "${run[@]}" --host-dir "$work/empty-host" ListCharUsageBook "$book"
      fi
    done
    for f in "${formats[@]}"; do
      measure "$t" "formats$f-list" "${run[@]}" ListCharUsage "$work/formats$f/doc.mif"
      measure "$t" "formats$f-delete" "${run[@]}" --yes DeleteUnusedChars "$work/formats$f/doc.mif" \
        --out-dir "$work/out"
    done
  done
done

# The two in-process ratios, from the benchmark program of each build.
declare -A counter
for i in "${!tools[@]}"; do
  echo "tagsmith_bench (${tools[$i]})" >&2
  "${dirs[$i]}/bench/tagsmith_bench" --benchmark_filter='BM_ScanBridgeVsDirect|BM_UsageScan/200$' \
    --benchmark_repetitions=$((runs > 8 ? runs : 8)) --benchmark_report_aggregates_only=true 2>/dev/null \
    >"$work/bench-${tools[$i]}" || true
  counter[${tools[$i]},bridge]=$(sed -n 's/^BM_ScanBridgeVsDirect\(_median\)\{0,1\} .*bridge_over_direct=\([0-9.]*\).*/\2/p' \
    "$work/bench-${tools[$i]}")
  counter[${tools[$i]},scan]=$(sed -n 's/^BM_UsageScan\/200\(_median\)\{0,1\} .*over_host_calls=\([0-9.]*\).*/\2/p' \
    "$work/bench-${tools[$i]}")
done

# Medians: "column case user system peak_kb status".
median() {  # column case field (3 processor seconds, 4 peak bytes)
  awk -v c="$1" -v k="$2" -v f="$3" '
    $1 == c && $2 == k { v[++n] = f == 3 ? $3 + $4 : $5 * 1024 }
    END {
      if (n == 0) { print "nan"; exit }
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
      printf "%.3f\n", n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }' "$results"
}
cpu() { median "$1" "$2" 3; }
peak() { median "$1" "$2" 4; }
ratio() { awk -v a="$1" -v b="$2" -v f="${3:-%.2f}" 'BEGIN { if (b > 0) printf f, a / b; else printf "-" }'; }
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

row() {  # measure, goal, then one value per tool
  local line="| $1 |"
  shift
  local goal=$1
  shift
  for v in "$@"; do line+=" $v |"; done
  echo "$line${goal:+ $goal |}"
}
header() {  # first column, then "goal" for a column of goals
  local line="| $1 |" rule="|---|"
  for t in "${tools[@]}"; do line+=" $t |"; rule+="---|"; done
  [[ -z ${2:-} ]] || { line+=" $2 |"; rule+="---|"; }
  echo "$line"
  echo "$rule"
}

echo
echo "Details (medians of $runs runs; processor time user + system)"
echo
header "case"
detail() {  # label, case: processor time and peak memory of every build
  local v=() t
  for t in "${tools[@]}"; do v+=("$(cpu "$t" "$2") s, $(mb "$(peak "$t" "$2")") MB"); done
  row "$1" "" "${v[@]}"
}
for s in "${sizes[@]}"; do
  detail "list, document of $(mb "${size[doc$s]}") MB (awk lister: $(cpu floor "doc$s-list") s)" "doc$s-list"
done
for c in "${chapters[@]}"; do
  for what in list delete; do detail "$what, book of $c chapters ($(mb "${size[book$c]}") MB)" "book$c-$what"; done
done
for f in "${formats[@]}"; do
  for what in list delete; do detail "$what, $f formats ($(mb "${size[formats$f]}") MB)" "formats$f-$what"; done
done

echo
echo "Ratios"
echo
header "measure" goal
memory() {  # case, size key
  local v=() t
  for t in "${tools[@]}"; do v+=("$(ratio "$(peak "$t" "$1")" "${size[$2]}" '%.1f×')"); done
  echo "${v[@]}"
}
for s in "${sizes[@]}"; do
  row "peak memory ÷ MIF size, document of $(mb "${size[doc$s]}") MB" "≤ 8×" $(memory "doc$s-list" "doc$s")
done
for c in "${chapters[@]}"; do
  # The goal is set for books of 10 MB and more: a small one is mostly the
  # program's own few megabytes.
  goal=" "
  [[ $c -lt 50 ]] || goal="≤ 6×"
  row "peak memory ÷ MIF size, list, book of $c chapters ($(mb "${size[book$c]}") MB)" "$goal" \
    $(memory "book$c-list" "book$c")
  if [[ $c -eq 50 ]]; then
    row "same, empty host folder" "≤ 6×" $(memory "book$c-list-emptyhost" "book$c")
  fi
  row "same, Delete Unused Character Tags" "$goal" $(memory "book$c-delete" "book$c")
done
for s in "${sizes[@]}"; do
  v=()
  for t in "${tools[@]}"; do v+=("$(ratio "$(cpu "$t" "doc$s-list")" "$(cpu floor "doc$s-list")" '%.1f×')"); done
  row "List Character Usage CPU ÷ awk lister, document of $(mb "${size[doc$s]}") MB" "≤ 6×" "${v[@]}"
done
for f in "${formats[@]}"; do
  v=()
  for t in "${tools[@]}"; do
    v+=("$(ratio "$(cpu "$t" "formats$f-delete")" "$(cpu "$t" "formats$f-list")" '%.2f×')")
  done
  # The goal is set for 40,000 formats; with few, writing the changed
  # document is most of the difference.
  goal=" "
  [[ $f -lt 40000 ]] || goal="≤ 1.3×"
  row "Delete Unused ÷ List Usage CPU, $f formats" "$goal" "${v[@]}"
done
first=${chapters[0]}
last=${chapters[${#chapters[@]} - 1]}
for what in list delete; do
  v=()
  for t in "${tools[@]}"; do
    a=$(ratio "$(cpu "$t" "book$last-$what")" "${size[book$last]}" '%.12f')
    b=$(ratio "$(cpu "$t" "book$first-$what")" "${size[book$first]}" '%.12f')
    v+=("$(ratio "$a" "$b")")
  done
  row "CPU per MB, $what, book of $last chapters ÷ book of $first" "≤ 1.10" "${v[@]}"
done
v=()
for t in "${tools[@]}"; do v+=("$(ratio "${counter[$t,bridge]:-0}" 1 '%.2f×')"); done
row "COM bridge per host call ÷ direct call (BM_ScanBridgeVsDirect)" "≤ 1.6×" "${v[@]}"
v=()
for t in "${tools[@]}"; do v+=("$(ratio "${counter[$t,scan]:-0}" 1 '%.3f')"); done
row "usage scan ÷ its host calls alone, 1M characters, 200 tags (BM_UsageScan/200)" "≤ 1.10" "${v[@]}"
