#!/usr/bin/env bash
# Builds everything and runs every test under Wine; ends with ctest's summary,
# with the variant tested and why on the line above it.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/build.sh"
. "$root/tools/variant.sh"
cmake --build "$build" --target native_checks
line="test.sh: tested the $variant variant: $variant_reason"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@" |
  awk -v line="$line" '!said && /tests passed, .* failed out of/ { print line; said = 1 }
                       { print; fflush() }
                       END { if (!said) print line }'
