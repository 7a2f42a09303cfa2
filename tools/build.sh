#!/usr/bin/env bash
# Set-up and build shared by run.sh and test.sh: machine packages, the
# cross-built dependencies, then a CMake build in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/tools/setup-machine.sh"
deps=$("$root/tools/build-deps.sh" | tail -n 1)

build=${OMBREL_BUILD_DIR:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ] || ! grep -q "^OMBREL_DEPS:PATH=$deps\$" "$build/CMakeCache.txt"; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
    -DOMBREL_DEPS="$deps" >/dev/null
fi
cmake --build "$build" -- -j"$(nproc)" ${OMBREL_NINJA_FLAGS:-}
