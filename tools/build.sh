#!/usr/bin/env bash
# Set-up and build shared by run.sh and test.sh: machine packages, the
# cross-built dependencies, then a CMake build of the variant the tests run as
# (tools/variant.sh); under the x86_64 variant the i686 product is built too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

"$root/tools/setup-machine.sh" i686
. "$root/tools/variant.sh"
[ "$variant" = i686 ] || "$root/tools/setup-machine.sh" "$variant"

# configure_and_build PROCESSOR BUILD_DIR [TARGET]
configure_and_build() {
  local arch=$1 dir=$2 deps
  shift 2
  deps=$("$root/tools/build-deps.sh" "$arch" | tail -n 1)
  if [ ! -f "$dir/CMakeCache.txt" ] || ! grep -q "^OMBREL_DEPS:PATH=$deps\$" "$dir/CMakeCache.txt"; then
    cmake -S "$root" -B "$dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake" \
      -DOMBREL_DEPS="$deps" >/dev/null
  fi
  # The largest test units take about 4 GB each to compile.
  cmake --build "$dir" "$@" -- -j"$("$root/tools/jobs.sh" 4096)" ${OMBREL_NINJA_FLAGS:-}
}

if [ "$variant" != i686 ]; then
  configure_and_build i686 "$i686_build" --target Moonlitcairn
fi
configure_and_build "$variant" "$build"
