#!/usr/bin/env bash
# Builds, then runs every benchmark under Wine; pass names to run only those.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build.sh" >/dev/null
. "$root/tools/variant.sh"
state=$build/wine
status=0
for exe in "$build"/bench/*_bench.exe; do
  [ -e "$exe" ] || continue
  name=$(basename "$exe" .exe)
  if [ $# -gt 0 ] && [[ ! " $* " == *" $name "* ]]; then continue; fi
  echo "== $name"
  "$root/tools/wine-run.sh" --state "$state" -- "$exe" || status=1
done
"$root/tools/wine-run.sh" --state "$state" --stop
exit $status
