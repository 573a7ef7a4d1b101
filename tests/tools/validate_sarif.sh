#!/usr/bin/env bash
# Validates SARIF logs with two real validators: the SARIF multitool's
# `validate` (the SARIF 2.1.0 schema and its authors' rules for SARIF), and
# python3-jsonschema against the SARIF 2.1.0 schema that the multitool's
# package ships. The multitool comes from the npm registry, at the version
# that sarif/package-lock.json pins, installed into DIR (a folder of the
# build tree) on first use.
#
#   validate_sarif.sh DIR            install only
#   validate_sarif.sh DIR FILE...    install if needed, then validate
#
# Prints every error found and exits 1 when there is any; 2 when a
# validator cannot be had (no npm, no network, no python3-jsonschema), so
# that a test fails rather than passes unvalidated.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
shift
python=python3
[[ -x /usr/bin/python3 ]] && python=/usr/bin/python3

mkdir -p "$dir"
tool="$dir/node_modules/.bin/sarif-multitool"
schema="$dir/node_modules/@microsoft/sarif-multitool-linux/sarif-2.1.0.json"
# Tests run side by side: one installs, the others wait for it.
exec 9>"$dir/.lock"
flock 9
if ! cmp -s "$here/sarif/package-lock.json" "$dir/package-lock.json" || [[ ! -x $tool ]]; then
  command -v npm >/dev/null || { echo "validate_sarif: npm is not installed (tools/deps.sh)" >&2; exit 2; }
  cp "$here/sarif/package.json" "$here/sarif/package-lock.json" "$dir/"
  if ! npm ci --prefix "$dir" --no-audit --no-fund --loglevel=error >&2; then
    rm -f "$dir/package-lock.json"
    echo "validate_sarif: cannot install the SARIF multitool" >&2
    exit 2
  fi
fi
flock -u 9
[[ -x $tool && -f $schema ]] || { echo "validate_sarif: the SARIF multitool is incomplete in $dir" >&2; exit 2; }
"$python" -c "import jsonschema" 2>/dev/null ||
  { echo "validate_sarif: python3-jsonschema is not installed (tools/deps.sh)" >&2; exit 2; }

status=0
for file in "$@"; do
  out=$(mktemp -d)
  if ! "$tool" validate "$file" -o "$out/result.sarif" >"$out/console" 2>&1; then
    cat "$out/console" >&2
    echo "validate_sarif: the multitool failed on $file" >&2
    rm -rf "$out"
    exit 2
  fi
  # Its exit status does not tell: its own log lists what it found.
  "$python" - "$out/result.sarif" "$file" <<'PY' || status=1
import json, sys
log = json.load(open(sys.argv[1], encoding="utf-8"))
bad = 0
for run in log["runs"]:
    for result in run.get("results", []):
        level = result.get("level", "warning")
        args = result.get("message", {}).get("arguments", [])
        print(f"{sys.argv[2]}: {level} {result['ruleId']}: {args}")
        if level == "error":
            bad += 1
    for invocation in run.get("invocations", []):
        if not invocation.get("executionSuccessful", False):
            print(f"{sys.argv[2]}: the multitool did not complete")
            bad += 1
sys.exit(1 if bad else 0)
PY
  rm -rf "$out"
  "$python" "$here/validate_json.py" "$schema" "$file" || status=1
done
exit $status
