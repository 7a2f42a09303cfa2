#!/usr/bin/env bash
# Rebuilds the game's generated content under data/ from the sources in
# tools/content (drawings, note lists, event scripts): the pictures, the
# Shift-JIS event scripts and the MP3 music. Deterministic: the same sources
# give the same files. Needs a host C++ compiler, zlib and lame
# (tools/setup-machine.sh installs them).
#
#   tools/content/build-content.sh [data folder] [contact sheet png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
data=${1:-$root/data}
contact=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

c++ -std=c++17 -O2 -Wall -Wextra -o "$work/contentgen" \
  "$here/contentgen.cpp" "$here/art.cpp" "$here/synth.cpp" "$here/png_writer.cpp" -lz
mkdir -p "$data" "$work/wav"
"$work/contentgen" "$here" "$data" "$work/wav" ${contact:+"$contact"}

mkdir -p "$data/bgm"
for wav in "$work"/wav/*.wav; do
  name=$(basename "$wav" .wav)
  # Constant bit rate, no replay-gain scan: the same WAV always gives the same MP3.
  lame --quiet --nohist --noreplaygain -m m -b 96 "$wav" "$data/bgm/$name.mp3"
done
