#!/usr/bin/env bash
# Runs every command of two tagsmith-run programs on the same inputs and
# compares what they print, their exit status and every file they write,
# byte for byte. Inputs: the example manual, the real MIF samples (read
# where they are, when present), the test MIF files, and generated
# documents and books (sim_generate.awk).
#
#   bench/compare_outputs.sh OLD_TOOL NEW_TOOL [WORK_DIR]
#
# Both programs run in the same folders one after the other, so the paths
# they print are the same. Prints one line per difference and a summary;
# exits 1 when anything differs. KEEP=1 keeps WORK_DIR (a temporary folder
# by default) to look at the differences.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
work=${3:-$(mktemp -d)}
mkdir -p "$work"
work=$(realpath "$work")
[[ -n ${KEEP:-} || -n ${3:-} ]] || trap 'rm -rf "$work"' EXIT
samples=${MIF_SAMPLES:-/work/shared/mif-samples}

gen="$work/gen"
mkdir -p "$gen/book" "$gen/many"
awk -v dir="$gen/book" -v chapters=5 -f "$here/bench/sim_generate.awk" >/dev/null
awk -v dir="$gen/many" -v doc=many.mif -v paras=60 -v formats=2000 -f "$here/bench/sim_generate.awk" >/dev/null
# A conversion table and a keep list in the generated documents' names.
sed -e 's/LegacyBold/Tag01/; s/Strong/Tag02/; s/LegacyItalic/Tag03/; s/Emphasis/Tag04/' \
    -e 's/Highlight/Tag05/; s/Scratch/Tag07/; s/Glossary/Tag46/; s/Missing/Tag60/' \
    "$here/examples/book/conversion.mif" >"$gen/conversion.mif"
sed -e 's/`Emphasis/`Tag01/; s/`Strong/`Tag02/; s/`Code/`Tag03/; s/`Keyword/`Tag47/' \
    "$here/examples/book/keep-list.mif" >"$gen/keep-list.mif"

ex="$here/examples/book"
docs=("$ex"/*.mif "$here"/tests/data/mif/*.mif "$here"/tests/data/mif/real/*.mif "$gen/many/many.mif")
docs+=("$gen"/book/chapter0[12].mif)
books=("$ex/Manual.book" "$gen/book/Bench.book")
for f in "$samples"/*.mif; do
  [[ -f $f ]] || continue
  case $(head -c 6 "$f") in
    "<Book "*) books+=("$f") ;;
    *) docs+=("$f") ;;
  esac
done
for f in "$here"/tests/data/mif/*.mif; do
  [[ $(head -c 6 "$f") == "<Book "* ]] && books+=("$f")
done

cases=()  # one command line each, fields split by a tab; OUT is the output folder
add() { local IFS=$'\t'; cases+=("$*"); }
add TagsmithAbout
add --list
for d in "${docs[@]}"; do
  case $d in "$gen"/*) keep="$gen/keep-list.mif" conv="$gen/conversion.mif" ;;
                      *) keep="$ex/keep-list.mif" conv="$ex/conversion.mif" ;; esac
  add ListCharUsage "$d"
  add --yes DeleteUnusedChars "$d" --out-dir OUT
  add --no DeleteUnusedChars "$d" --out-dir OUT
  for choice in 1 2 3; do add --choose "$choice" CreateCharList "$d" --output OUT/list.mif; done
  add --yes RemoveNonlistChars "$keep" "$d" --out-dir OUT
  add --choose 3 CreateConversionDocument "$d" --output OUT/table.mif
  add --yes ConvertCharsDoc "$conv" "$d" --out-dir OUT
  add --yes RemoveCharOverrides "$d" --out-dir OUT
  add --yes --master-pages RemoveCharOverrides "$d" --out-dir OUT
  add FindNextCharOverride "$d"
  add GenerateCharacterTagReport "$d"
  add --choose 1 GenerateCharacterTagReportSingle "$d"
done
for b in "${books[@]}"; do
  case $b in "$gen"/*) keep="$gen/keep-list.mif" conv="$gen/conversion.mif" ;;
                      *) keep="$ex/keep-list.mif" conv="$ex/conversion.mif" ;; esac
  for missing in "" --allow-missing; do
    add $missing ListCharUsageBook "$b"
    add $missing ListCharUsageBookIndividual "$b"
    add $missing ListCharUsageBookByTag "$b"
    add $missing --yes DeleteUnusedCharsBook "$b" --out-dir OUT
    add $missing --choose 2 CreateCharListBook "$b" --output OUT/list.mif
    add $missing --yes RemoveNonlistCharsBook "$keep" "$b" --out-dir OUT
    add $missing --choose 3 CreateConversionDocumentBook "$b" --output OUT/table.mif
    add $missing --yes ConvertCharsBook "$conv" "$b" --out-dir OUT
    add $missing --yes RemoveCharOverridesBook "$b" --out-dir OUT
  done
done
# Modes and reports that both programs know.
oldHelp=$("$old" --help 2>&1)
newHelp=$("$new" --help 2>&1)
knows() { grep -q -- "$1" <<<"$oldHelp" && grep -q -- "$1" <<<"$newHelp"; }
reports() {  # "Book" for a book, the file
  local book=$1 d=$2
  knows check && add check "$d"
  if knows --diff; then
    add --yes --diff "DeleteUnusedChars$book" "$d"
    add --yes --diff "RemoveCharOverrides$book" "$d"
  fi
  knows --counts && add --counts "ListCharUsage$book" "$d"
  if knows --json; then
    add --json OUT/report.json "ListCharUsage$book" "$d"
    add --yes --json OUT/report.json "DeleteUnusedChars$book" "$d" --out-dir OUT
  fi
  knows --html && add --html OUT/page.html "ListCharUsage$book" "$d"
  return 0
}
for d in "${docs[@]}"; do reports "" "$d"; done
for b in "${books[@]}"; do reports Book "$b"; done
# Writing over the inputs: a copy of the generated book, fresh for each run.
add --yes --in-place DeleteUnusedCharsBook INPLACE/Bench.book
add --yes --in-place RemoveCharOverrides INPLACE/chapter03.mif
add --yes --in-place ConvertCharsBook "$gen/conversion.mif" INPLACE/Bench.book

run() {  # tool, case, where the results go
  local tool=$1 line=$2 into=$3 arg
  local -a args=()
  rm -rf "$work/out" "$work/inplace"
  mkdir -p "$work/out" "$into"
  [[ $line == *INPLACE* ]] && cp -r "$gen/book" "$work/inplace"
  IFS=$'\t' read -r -a raw <<<"$line"
  for arg in "${raw[@]}"; do
    arg=${arg//OUT/$work/out}
    args+=("${arg//INPLACE/$work/inplace}")
  done
  [[ ${args[0]} == check ]] || args=(--host-dir "$work/host" "${args[@]}")
  (cd "$work" && "$tool" "${args[@]}" >"$into/stdout" 2>"$into/stderr" </dev/null)
  echo $? >"$into/status"
  cp -r "$work/out" "$into/out"
  [[ $line == *INPLACE* ]] && cp -r "$work/inplace" "$into/inplace"
  return 0
}

mkdir -p "$work/host"
differ=0
n=0
for line in "${cases[@]}"; do
  n=$((n + 1))
  run "$old" "$line" "$work/old/$n"
  run "$new" "$line" "$work/new/$n"
  if ! diff -r -q "$work/old/$n" "$work/new/$n" >/dev/null; then
    differ=$((differ + 1))
    echo "differs ($n): ${line//$'\t'/ }"
    diff -r -q "$work/old/$n" "$work/new/$n" | sed 's/^/  /' | head -5
  fi
done
written=$(find "$work/old" -path '*/out/*' -type f -o -path '*/inplace/*' -type f | wc -l)
echo "$n runs, $written files written, $differ differ"
[[ $differ -eq 0 ]]
