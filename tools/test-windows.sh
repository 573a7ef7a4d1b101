#!/usr/bin/env bash
# Builds the Windows DLL (tagsmith.dll) and its test programs with mingw-w64
# and runs the tests under wine, headless. Exits non-zero when a build step or
# a test fails.
#
#   tools/test-windows.sh            build in build/windows/ and run
#   BUILD_DIR=/tmp/w JOBS=4 tools/test-windows.sh
#   tools/test-windows.sh --build-only   build, run nothing
#
# Needs: cmake, ninja, Debian's mingw-w64 (x86_64-w64-mingw32-g++-posix,
# windres), wine (64-bit), googletest sources in /usr/src/googletest, and
# ICU's headers (libicu-dev). The wine prefix lives in the build folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build/windows}"
jobs="${JOBS:-2}"
tests=(com_tests icu_bind_tests)

for tool in cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres wine wineserver; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "test-windows: $tool is missing" >&2
    exit 2
  fi
done

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DTAGSMITH_TESTS=ON -DTAGSMITH_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs" --target "${tests[@]}"
[[ "${1:-}" == --build-only ]] && exit 0

# Console programs need no display; without one, and with the .NET and HTML
# engines switched off, creating the prefix asks nothing.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

status=0
log="$build/wine-tests.log"
: >"$log"
cd "$build/bin"
for t in "${tests[@]}"; do
  echo "== $t.exe (wine)"
  set +e
  wine "$t.exe" >"$build/$t.out" 2>&1
  rc=$?
  set -e
  # Debian's wine wrapper asks for the 32-bit half, which nothing here needs.
  grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' \
    -e 'apt-get install wine32' "$build/$t.out" | tee -a "$log" || true
  if [ "$rc" -ne 0 ]; then
    echo "test-windows: $t.exe exited with $rc" >&2
    status=1
  fi
done
# Only this prefix's server; it would otherwise linger a few seconds.
wineserver -k 2>/dev/null || true

passed=$(awk '/^\[  PASSED  \] [0-9]+ test/ {s += $4} END {print s + 0}' "$log")
failed=$(awk '/^\[  FAILED  \] [0-9]+ test/ {s += $4} END {print s + 0}' "$log")
if ! grep -q '^\[  PASSED  \]' "$log"; then status=1; fi
echo "windows: $passed passed, $failed failed"
exit "$status"
