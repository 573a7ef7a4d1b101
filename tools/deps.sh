#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the packages need,
# when missing.
# Usage: tools/deps.sh [windows]   ("windows" adds the cross compiler and wine)
set -euo pipefail

# dpkg-dev: the Debian package declares its dependencies with dpkg-shlibdeps
# and dates its manual page by the changelog (dpkg-parsechangelog).
# nlohmann-json3-dev: tagsmith-run's report; chromium: the test that opens
# its usage picture in a real browser; patch: the tests apply the diffs that
# tagsmith-run --diff prints. help2man makes tagsmith-run's manual page
# from its usage text; lintian and man-db check the Debian package and the
# manual page. python3-jsonschema: the tests validate every JSON report
# against its published schema; npm: the tests install the SARIF validator
# from the npm registry (tests/tools/validate_sarif.sh).
packages=(cmake make g++ clang pkg-config libicu-dev icu-devtools googletest libgtest-dev
          libbenchmark-dev libclang-rt-dev valgrind dpkg-dev nlohmann-json3-dev chromium
          patch help2man lintian man-db python3-jsonschema)
# A machine may carry Node.js from elsewhere, whose own npm conflicts with
# Debian's package of it: any npm on the path will do.
command -v npm >/dev/null 2>&1 || packages+=(npm)
if [[ "${1:-}" == "windows" ]]; then
  packages+=(g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64 ninja-build wine wine64)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
