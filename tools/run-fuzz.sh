#!/usr/bin/env bash
# Runs one fuzz target: first every kept regression input (each must pass),
# then a bounded session from the committed seeds.
#   tools/run-fuzz.sh TARGET_BINARY NAME SECONDS
# By hand, for longer: tools/run-fuzz.sh build/native/fuzz/png_fuzz png_fuzz 3600
# The test runs use a fixed seed, so a run explores the same inputs each time
# and a failure repeats; OMBREL_FUZZ_SEED=0 lets libFuzzer pick one.
# A crash leaves its input in the working folder's crashes/; copy it into
# tests/fuzz/regressions/NAME/ once the fault is fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary=$1 name=$2 seconds=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/fuzz-$name.XXXXXX")
trap 'rm -rf "$work/corpus"' EXIT
mkdir -p "$work/corpus" "$work/crashes"
# Freed blocks wait in AddressSanitizer's quarantine; with the loaders'
# large images it would otherwise grow past the memory limit by itself.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64:allocator_release_to_os_interval_ms=100}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/fuzz/lsan.supp}
regressions=$root/tests/fuzz/regressions/$name
if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
  # The kept inputs are small files; a block far larger than any of them
  # would decode to means a header was believed before it was checked.
  "$binary" -runs=0 -malloc_limit_mb=128 "$regressions"/* >"$work/regressions.log" 2>&1 || {
    tail -n 40 "$work/regressions.log"
    echo "run-fuzz: $name: a kept regression input fails again (log in $work)"
    exit 1
  }
fi
[ -d "$root/tests/fuzz/corpus/$name" ] && cp "$root/tests/fuzz/corpus/$name"/* "$work/corpus/"
# The game's own scripts are the script target's seeds, read where they are
# rather than kept twice.
[ "$name" = event_script_fuzz ] && cp "$root/data/event/"mapevt*.lua "$work/corpus/"
if ! "$binary" -seed="${OMBREL_FUZZ_SEED:-1}" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 \
     -artifact_prefix="$work/crashes/" "$work/corpus" >"$work/fuzz.log" 2>&1; then
  grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$work/fuzz.log" | head -n 20
  echo "run-fuzz: $name: found a failing input (log and input in $work)"
  exit 1
fi
grep -E '^Done [0-9]+ runs' "$work/fuzz.log" || true
rm -rf "$work"
