#!/usr/bin/env bash
# Builds the native Linux trees of the platform-free units (tests/native):
#   DIR/unit  the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer
#             (GCC, which can encode the Shift-JIS literals the tests use)
#   DIR/fuzz  the libFuzzer targets (clang)
#   DIR/thread  the threaded units' tests under ThreadSanitizer (clang)
# Quiet when it succeeds; shows the build's output when it fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
mkdir -p "$dir"
log=$dir/build.log
: > "$log"
# The pixel-loop units and their tests each take up to about 2.5 GB to build
# under the sanitizers.
jobs=$("$root/tools/jobs.sh" 3072 2)
build_tree() {
  local tree=$1; shift
  if [ ! -f "$dir/$tree/CMakeCache.txt" ]; then
    cmake -S "$root/tests/native" -B "$dir/$tree" -G Ninja "$@" >>"$log" 2>&1
  fi
  cmake --build "$dir/$tree" -j "$jobs" >>"$log" 2>&1
}
if ! build_tree unit -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ ||
   ! build_tree fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOMBREL_FUZZ=ON ||
   ! build_tree thread -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOMBREL_SANITIZE=thread; then
  echo "native-build: failed (whole output in $log):" >&2
  grep -E 'error|FAILED|undefined' "$log" | head -n 40 >&2
  exit 1
fi
