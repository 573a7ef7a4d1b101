#!/usr/bin/env bash
# tagsmith-run on the shapes of MIF that cost most for their size, in ratios
# that hold on a shared machine: peak memory over the MIF of long documents
# of one-line paragraphs and of empty statements, "List Character Usage -
# By Tag" against "List Character Usage" on the same book, Remove Overrides
# on one paragraph of 2,000, 8,000 and 32,000 font changes, Remove Overrides
# against List Character Usage on a statement-dense document (a font change
# every one or two characters), and List Character Usage on a document of
# 10,000 paragraphs and 200 formats against the awk lister (tag_floor.awk).
#
#   bench/shapes_bench.sh [--runs N] [--mb MB] [--old OLD_BUILD_DIR] BUILD_DIR
#
# BUILD_DIR (and OLD_BUILD_DIR) hold a built tools/tagsmith-run. Every case
# runs once a round, the old build right before the new; each figure is the
# median of the rounds (3 unless --runs). MB (20 unless told) sizes the two
# long documents.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=3
mb=20
old=
build=
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift ;;
    --mb) mb=$2; shift ;;
    --old) old=$(realpath "$2"); shift ;;
    *) build=$(realpath "$1") ;;
  esac
  shift
done
[[ -n $build ]] || { echo "usage: $0 [--runs N] [--mb MB] [--old OLD_BUILD_DIR] BUILD_DIR" >&2; exit 2; }
tools=(new) dirs=("$build")
if [[ -n $old ]]; then tools=(old new) dirs=("$old" "$build"); fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
q="'"
# One-line paragraphs, and empty statements, of about `mb` MB each.
awk -v n=$((mb * 1048576 / 47)) -v q="$q" 'BEGIN {
  print "<MIFFile 2015>"
  print "<TextFlow "
  for (i = 0; i < n; i++) printf "<Para <PgfTag `Body%s> <ParaLine <String `a%s>>>\n", q, q
  print "> # end of TextFlow"
}' >"$work/lines.mif"
awk -v n=$((mb * 1048576 / 9)) 'BEGIN {
  print "<MIFFile 2015>"
  for (i = 0; i < n; i++) print "<Notes >"
}' >"$work/empty.mif"
# One paragraph of n font changes: runs of two characters, bold by hand
# and plain by turns.
for n in 2000 8000 32000; do
  awk -v n=$n -v q="$q" 'BEGIN {
    print "<MIFFile 2015>"
    print "<TextFlow \n <Para \n  <PgfTag `Body" q ">\n  <ParaLine "
    for (i = 0; i < n; i++) {
      printf "   <Font <FTag `%s> <FWeight `%s%s>>\n", q, i % 2 ? "Regular" : "Bold", q
      printf "   <String `ab%s>\n", q
    }
    print "  > # end of ParaLine\n > # end of Para\n> # end of TextFlow"
  }' >"$work/changes$n.mif"
done
# About 14 MB of paragraphs of 100 font changes each: runs of one or two
# characters, bold by hand and plain by turns.
awk -v paras=2600 -v q="$q" 'BEGIN {
  print "<MIFFile 2015>"
  print "<TextFlow "
  for (p = 0; p < paras; p++) {
    print " <Para \n  <PgfTag `Body" q ">\n  <ParaLine "
    for (i = 0; i < 100; i++) {
      printf "   <Font <FTag `%s> <FWeight `%s%s>>\n", q, i % 2 ? "Regular" : "Bold", q
      printf "   <String `%s%s>\n", i % 3 ? "ab" : "a", q
    }
    print "  > # end of ParaLine\n > # end of Para"
  }
  print "> # end of TextFlow"
}' >"$work/dense.mif"
mkdir -p "$work/book" "$work/doc" "$work/out"
awk -v dir="$work/book" -v chapters=20 -f bench/sim_generate.awk >/dev/null
awk -v dir="$work/doc" -v doc=doc.mif -v paras=10000 -v formats=200 -f bench/sim_generate.awk >/dev/null

results="$work/results"
: >"$results"
measure() {  # column, case, command...
  local column=$1 label=$2 TIMEFORMAT='%3U %3S'
  shift 2
  { time /usr/bin/time -f '%M' -o "$work/time" "$@" >/dev/null 2>&1 </dev/null; } 2>"$work/cpu" || true
  echo "$column $label $(tail -1 "$work/cpu") $(tail -1 "$work/time")" >>"$results"
}
for ((r = 1; r <= runs; r++)); do
  echo "round $r of $runs" >&2
  measure floor doc awk -f bench/tag_floor.awk "$work/doc/doc.mif"
  for i in "${!tools[@]}"; do
    t=${tools[$i]} run="${dirs[$i]}/tools/tagsmith-run"
    measure "$t" lines "$run" ListCharUsage "$work/lines.mif"
    measure "$t" empty "$run" ListCharUsage "$work/empty.mif"
    measure "$t" book "$run" ListCharUsageBook "$work/book/Bench.book"
    measure "$t" bytag "$run" ListCharUsageBookByTag "$work/book/Bench.book"
    for n in 2000 8000 32000; do
      measure "$t" "changes$n" "$run" --yes RemoveCharOverrides "$work/changes$n.mif" --out-dir "$work/out"
    done
    measure "$t" dense "$run" ListCharUsage "$work/dense.mif"
    measure "$t" denseremove "$run" --yes RemoveCharOverrides "$work/dense.mif" --out-dir "$work/out"
    measure "$t" doc "$run" ListCharUsage "$work/doc/doc.mif"
  done
done

median() {  # column case field (3 processor seconds, 5 peak bytes)
  awk -v c="$1" -v k="$2" -v f="$3" '
    $1 == c && $2 == k { v[++n] = f == 3 ? $3 + $4 : $5 * 1024 }
    END {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
      printf "%.3f\n", n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }' "$results"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f×", (b > 0 ? a / b : 0) }'; }
size() { wc -c <"$1"; }
row() {
  local line="| $1 |"
  shift
  for v in "$@"; do line+=" $v |"; done
  echo "$line"
}
echo
row measure "${tools[@]}" goal
row --- "${tools[@]/*/---}" ---
for shape in lines empty; do
  v=()
  for t in "${tools[@]}"; do v+=("$(ratio "$(median "$t" $shape 5)" "$(size "$work/$shape.mif")")"); done
  row "peak memory ÷ MIF, $shape ($(size "$work/$shape.mif") bytes)" "${v[@]}" "≤ 8×"
done
v=()
for t in "${tools[@]}"; do v+=("$(ratio "$(median "$t" bytag 3)" "$(median "$t" book 3)")"); done
row "By Tag ÷ List Character Usage (book), CPU, 20 chapters" "${v[@]}" "≤ 3×"
for step in "2000 8000" "8000 32000"; do
  read -r a b <<<"$step"
  v=()
  for t in "${tools[@]}"; do v+=("$(ratio "$(median "$t" "changes$b" 3)" "$(median "$t" "changes$a" 3)")"); done
  row "Remove Overrides CPU, $b ÷ $a font changes" "${v[@]}" "≤ 4.5×"
done
v=()
for t in "${tools[@]}"; do v+=("$(ratio "$(median "$t" denseremove 3)" "$(median "$t" dense 3)")"); done
row "Remove Overrides ÷ List Character Usage CPU, statement-dense, $(size "$work/dense.mif") bytes" "${v[@]}" "≤ 4×"
v=()
for t in "${tools[@]}"; do v+=("$(ratio "$(median "$t" denseremove 5)" "$(size "$work/dense.mif")")"); done
row "peak memory ÷ MIF, Remove Overrides, statement-dense" "${v[@]}" "≤ 8×"
v=()
for t in "${tools[@]}"; do v+=("$(ratio "$(median "$t" doc 3)" "$(median floor doc 3)")"); done
row "List Character Usage CPU ÷ awk lister, $(size "$work/doc/doc.mif") bytes" "${v[@]}" "≤ 3×"
echo
echo "Processor seconds (peak MB), medians:"
for k in lines empty book bytag changes2000 changes8000 changes32000 dense denseremove doc; do
  line="$k:"
  for t in "${tools[@]}"; do
    line+=" $t $(median "$t" $k 3) s ($(awk -v b="$(median "$t" $k 5)" 'BEGIN { printf "%.1f", b / 1048576 }') MB)"
  done
  echo "$line"
done
echo "floor (awk lister): $(median floor doc 3) s"
