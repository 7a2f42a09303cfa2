#!/usr/bin/env bash
# Cross-compiles the third-party libraries for Windows from Debian's source
# packages into a cache outside the checkout:
#   build-deps.sh [i686|x86_64]
# Each processor has its own folder, named by it and a hash of this script,
# so a changed recipe builds afresh and an unchanged one is reused. Prints
# the install prefix on its last line.
set -euo pipefail

arch=${1:-i686}
case "$arch" in
  i686|x86_64) host=$arch-w64-mingw32 ;;
  *) echo "build-deps: unknown processor '$arch' (i686 or x86_64)" >&2; exit 2 ;;
esac
cache_root=${OMBREL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/moonlitcairn-deps}
key=$(sha256sum "$0" | cut -c1-16)
prefix=$cache_root/$arch-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
# Builds started side by side (several checkouts on one machine) share the
# cache: the first builds, the others wait for it and reuse its result.
mkdir -p "$cache_root"
exec 9>"$cache_root/.lock-$arch"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

jobs=$(nproc)
work=$cache_root/work-$arch-$key
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"/{bin,lib,include}
cd "$work"

log() { echo "build-deps: $*" >&2; }
# Build output goes to a log that is shown only when a step fails.
quiet() {
  if ! "$@" >>"$work/build.log" 2>&1; then
    echo "build-deps: failed: $*" >&2
    tail -n 40 "$work/build.log" >&2
    exit 1
  fi
}

log "fetching sources"
quiet apt-get source --download-only lua5.1 libpng1.6 libjpeg-turbo libogg libvorbis libtheora
for dsc in *.dsc; do
  quiet dpkg-source --no-check -x "$dsc"
done

export CC=$host-gcc CXX=$host-g++ AR=$host-ar RANLIB=$host-ranlib STRIP=$host-strip
common_cflags="-O2 -msse2 -mfpmath=sse"
# Only the libraries built here may answer pkg-config: a host -dev package of
# the same library would otherwise answer for the cross build.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=""

src() { find "$work" -maxdepth 1 -type d -name "$1-*" | head -n 1; }

# Lua 5.1 as lua51.dll with its import library; built directly from its
# sources so that the packaging's own build system (libtool) stays out of it.
log "lua 5.1"
lua=$(src lua5.1)
build_lua() (
  cd "$lua/src"
  core="lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes lparser lstate lstring ltable ltm lundump lvm lzio"
  libs="lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib loadlib linit"
  objs=""
  for f in $core $libs; do
    $CC $common_cflags -DLUA_BUILD_AS_DLL -c $f.c -o $f.o || exit 1
    objs="$objs $f.o"
  done
  $CC -shared -o lua51.dll $objs -Wl,--out-implib,liblua51.dll.a -static-libgcc -s || exit 1
  cp lua51.dll "$prefix/bin/"
  cp liblua51.dll.a "$prefix/lib/"
  mkdir -p "$prefix/include/lua5.1"
  cp lua.h luaconf.h lualib.h lauxlib.h "$prefix/include/lua5.1/"
  cp ../etc/lua.hpp "$prefix/include/lua5.1/" 2>/dev/null || true
)
quiet build_lua

autotools_build() (
  local dir=$1; shift
  cd "$dir"
  [ -x configure ] || quiet autoreconf -fi
  quiet env CFLAGS="$common_cflags" ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static "$@"
  quiet make -j"$jobs"
  quiet make install
)

log "libogg"
autotools_build "$(src libogg)"
log "libvorbis"
autotools_build "$(src libvorbis)" --with-ogg="$prefix"
log "libpng"
CPPFLAGS="-I/usr/$host/include" LDFLAGS="-L/usr/$host/lib" autotools_build "$(src libpng1.6)"

log "libjpeg-turbo"
(
  cd "$(src libjpeg-turbo)"
  mkdir -p build && cd build
  processor=x86; [ "$arch" = x86_64 ] && processor=AMD64
  quiet cmake .. -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=$processor \
    -DCMAKE_C_COMPILER=$CC -DCMAKE_RC_COMPILER=$host-windres \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_JPEG8=ON -DWITH_TURBOJPEG=OFF \
    -DCMAKE_C_FLAGS="-msse2"
  quiet make -j"$jobs"
  quiet make install
)

log "libtheora"
(
  cd "$(src libtheora)"
  [ -x configure ] || quiet autoreconf -fi
  quiet env CFLAGS="$common_cflags" ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --disable-examples --disable-oggtest --disable-vorbistest --disable-sdltest --disable-spec \
    --with-ogg="$prefix" --with-vorbis="$prefix"
  # the top-level install wants documentation files the package lacks
  quiet make -C lib -j"$jobs"
  quiet make -C lib install
  quiet make -C include install
)

rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
