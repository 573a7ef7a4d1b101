#!/usr/bin/env bash
# Builds the packages (tools/package.sh) and checks them as a user gets them:
# the Debian package declares ICU among its dependencies, and unpacked into a
# scratch root, its tagsmith-run runs the example book with no option,
# finding the client library and the host folder where the package put them;
# the Windows zip holds the DLL without debug sections, and the install guide.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "test-package: $*" >&2; exit 1; }

tools/package.sh >/dev/null
deb=$(ls build/packages/tagsmith_*.deb)
zip=$(ls build/packages/tagsmith-*-windows-x64.zip)

dpkg-deb -f "$deb" Depends | grep -q 'libicu' || fail "$deb does not depend on ICU"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
run="$scratch/root/usr/bin/tagsmith-run"
expected=$(awk '/^== stdout$/ {on = 1; next} /^== / {on = 0} on' tests/data/sim/book_list_usage.txt)
got=$("$run" ListCharUsageBook examples/book/Manual.book 2>"$scratch/stderr") ||
  { cat "$scratch/stderr" >&2; fail "the installed tagsmith-run failed"; }
if [[ "$got" != "$expected" ]]; then
  diff <(echo "$expected") <(echo "$got") >&2 || true
  fail "the installed tagsmith-run lists the example book differently"
fi
# Console lines pass through the host's Roman converter: only with the
# installed host folder found do they read.
mkdir "$scratch/lonely" && cp examples/book/Manual.book "$scratch/lonely/"
"$run" ListCharUsageBook "$scratch/lonely/Manual.book" >/dev/null 2>"$scratch/stderr" || true
grep -q "^Could not open file:.*chapter1.mif" "$scratch/stderr" ||
  { cat "$scratch/stderr" >&2; fail "the installed tagsmith-run does not find its host folder"; }
version=$(sed -n 's/^project(Tagsmith VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
"$run" --version | grep -qF "Tagsmith) $version," || fail "tagsmith-run --version is not $version"

mkdir "$scratch/zip"
(cd "$scratch/zip" && cmake -E tar xf "$OLDPWD/$zip")
dll=$(find "$scratch/zip" -name tagsmith.dll)
[[ -n "$dll" ]] || fail "$zip holds no tagsmith.dll"
[[ -n "$(find "$scratch/zip" -name INSTALL.txt)" ]] || fail "$zip holds no install guide"
if x86_64-w64-mingw32-objdump -h "$dll" | grep -q '\.debug'; then
  fail "the DLL in $zip has debug sections"
fi
echo "packages: $(basename "$deb") runs the example book; $(basename "$zip"): $(stat -c %s "$dll") bytes of DLL"
