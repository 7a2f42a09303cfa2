#!/usr/bin/env bash
# Builds everything and runs every test under Wine; ends with ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/build.sh"
build=${OMBREL_BUILD_DIR:-$root/build}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
