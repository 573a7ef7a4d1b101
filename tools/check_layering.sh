#!/usr/bin/env bash
# Checks the include graph of the sources below ROOT (default: this tree):
#
# - a source folder includes headers only from itself and the folders below
#   it in LAYERS, never from one above it, nor from tests/, bench/, fuzz/ or
#   tools/;
# - a folder kept APART from one below it includes none of its headers
#   either: tagsmith-run (sim/) knows the client only as the host does;
# - no two files include each other's headers (a.h or a.cpp including b.h
#   while b.h or b.cpp includes a.h), in any folder, tests included.
#
# Prints one line per fault and exits 1 when there is any; 0 otherwise.
#
#   tools/check_layering.sh [ROOT]
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# The README's order, lowest first: each folder may use the ones before it.
LAYERS="support client charfmt commands plugin memhost comhost mif sim"
# Folders that use the sources but that no source folder may use.
USERS="tests bench fuzz tools"
# Pairs "user:used" of folders where the first must not include the second,
# though it stands above it: the runner reaches the client through the
# library it loads, its menus and its client-call strings, never its code.
APART="sim:charfmt sim:commands sim:plugin"

folders=()
for d in $LAYERS $USERS; do
  [[ -d $d ]] && folders+=("$d")
done
if [[ ${#folders[@]} -eq 0 ]]; then
  echo "check_layering: no source folder below $(pwd)" >&2
  exit 2
fi

sources=$(find "${folders[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' \
  -o -name '*.cc' -o -name '*.cpp' -o -name '*.inc' \) | LC_ALL=C sort)

# The file list first (to resolve includes), then every include line.
{
  printf '%s\n' "$sources"
  echo "--"
  printf '%s\n' "$sources" | xargs grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' || true
} | awk -v layers="$LAYERS" -v users="$USERS" -v apart="$APART" '
function top(path) { return substr(path, 1, index(path, "/") - 1) }
function module(path) { sub(/\.[^.\/]*$/, "", path); return path }
# "a/./b/../c" as "a/c"; "" when it climbs out of the tree.
function normal(path,    parts, n, i, out, depth, stack) {
  n = split(path, parts, "/")
  depth = 0
  for (i = 1; i <= n; ++i) {
    if (parts[i] == "" || parts[i] == ".") continue
    if (parts[i] == "..") { if (depth == 0) return ""; --depth; continue }
    stack[++depth] = parts[i]
  }
  out = ""
  for (i = 1; i <= depth; ++i) out = out (i > 1 ? "/" : "") stack[i]
  return out
}
BEGIN {
  n = split(layers, l, " ")
  for (i = 1; i <= n; ++i) rank[l[i]] = i
  n = split(users, u, " ")
  for (i = 1; i <= n; ++i) user[u[i]] = 1
  n = split(apart, ap, " ")
  for (i = 1; i <= n; ++i) kept[ap[i]] = 1
  listing = 1
  faults = 0
}
listing && $0 == "--" { listing = 0; next }
listing { exists[$0] = 1; next }
{
  # path:line:text
  file = $0; sub(/:.*/, "", file)
  rest = substr($0, length(file) + 2)
  line = rest; sub(/:.*/, "", line)
  text = substr(rest, length(line) + 2)
  quoted = text ~ /^[[:space:]]*#[[:space:]]*include[[:space:]]*"/
  name = text
  sub(/^[^"<]*["<]/, "", name)
  sub(/[">].*$/, "", name)

  # As the compiler looks: beside the including file (quoted only), then
  # from the top of the tree, the one include folder of the sources.
  target = ""
  dir = file; sub(/\/[^\/]*$/, "", dir)
  if (quoted) {
    beside = normal(dir "/" name)
    if (beside in exists) target = beside
  }
  if (target == "") {
    fromTop = normal(name)
    if (fromTop in exists) target = fromTop
  }
  if (target == "") next  # a system or generated header

  from = top(file); to = top(target)
  if ((from in rank) && from != to) {
    if (to in rank) {
      if (rank[to] > rank[from]) {
        printf "%s:%s: %s/ includes %s, from %s/, a folder above it\n", file, line, from, target, to
        ++faults
      } else if ((from ":" to) in kept) {
        printf "%s:%s: %s/ includes %s, from %s/, which it is kept apart from\n", file, line, from, target, to
        ++faults
      }
    } else if (to in user) {
      printf "%s:%s: %s/ includes %s, from %s/, which only uses the sources\n", file, line, from, target, to
      ++faults
    }
  }

  a = module(file); b = module(target)
  if (a != b && !((a SUBSEP b) in edge)) {
    edge[a, b] = file ":" line " includes " target
    order[++edges] = a SUBSEP b
  }
}
END {
  for (i = 1; i <= edges; ++i) {
    split(order[i], ab, SUBSEP)
    if (ab[1] > ab[2] || !((ab[2] SUBSEP ab[1]) in edge)) continue
    printf "%s and %s include each other: %s; %s\n", ab[1], ab[2], edge[ab[1], ab[2]], edge[ab[2], ab[1]]
    ++faults
  }
  exit faults > 0 ? 1 : 0
}'
