#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, as root.
# Idempotent: when everything is present it changes nothing and returns quickly.
#   setup-machine.sh [i686|x86_64]
# The i686 set is always installed (the product is 32-bit, and the 32-bit Wine
# loader is what tells whether this machine runs 32-bit code); x86_64 adds the
# 64-bit compiler, Wine and the amd64 libraries Wine's Direct3D and DirectShow
# load, for machines that cannot run 32-bit code.
set -euo pipefail
variant=${1:-i686}

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup-machine: run as root (it installs packages)" >&2
    exit 1
  fi
}

packages=(
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  cmake make ninja-build pkg-config dpkg-dev
  wine wine32:i386 libgl1:i386 libglx0:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
  xvfb xauth xdotool x11-apps imagemagick libjpeg-turbo-progs
  locales fonts-ipafont-gothic
  libz-mingw-w64-dev nasm autoconf automake libtool
  googletest
  lame sox vorbis-tools ffmpeg pulseaudio pulseaudio-utils g++ zlib1g-dev
  gcc clang libclang-rt-14-dev libpng-dev libjpeg-dev
  libogg-dev libvorbis-dev libtheora-dev liblua5.1-0-dev
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
)
if [ "$variant" = x86_64 ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine64 libgl1:amd64 libglx0:amd64 libgl1-mesa-dri:amd64 libglx-mesa0:amd64
    gstreamer1.0-plugins-base:amd64 gstreamer1.0-plugins-good:amd64
  )
fi

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

src_list=/etc/apt/sources.list.d/moonlitcairn-src.sources

add_deb_src() {
  # Mirror the machine's own Debian entry (URIs, suites, keyring) as deb-src.
  [ -f "$src_list" ] && return 0
  local uri="http://deb.debian.org/debian" key="/usr/share/keyrings/debian-archive-keyring.gpg"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if grep -q '^URIs:.*debian/\?$' "$f" && grep -q '^Suites:.*bookworm' "$f"; then
      uri=$(awk '/^URIs:/{print $2; exit}' "$f")
      local k; k=$(awk '/^Signed-By:/{print $2; exit}' "$f")
      [ -n "$k" ] && key="$k"
      break
    fi
  done
  cat > "$src_list" <<SRC
Types: deb-src
URIs: $uri
Suites: bookworm bookworm-updates
Components: main
Signed-By: $key
SRC
  echo changed
}

main() {
  local changed=""
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root
    dpkg --add-architecture i386
    changed=1
  fi
  if [ ! -f "$src_list" ]; then
    need_root
    add_deb_src >/dev/null
    changed=1
  fi
  local missing
  missing=$(missing_packages)
  if [ -n "$changed" ] || [ -n "$missing" ]; then
    need_root
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    missing=$(missing_packages)
    if [ -n "$missing" ]; then
      # shellcheck disable=SC2086
      apt-get install -y -qq --no-install-recommends $missing >/dev/null
    fi
  fi
  if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    need_root
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
}

main "$@"
