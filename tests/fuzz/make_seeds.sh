#!/usr/bin/env bash
# Remakes the seed corpus of the fuzz targets: small valid files of each kind.
#   tests/fuzz/make_seeds.sh BUILD   (BUILD: a native fuzz build with seed_maker)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
corpus=$here/corpus
build=$1
for t in archive lz bmp tga bgra dds png jpeg convert_blt sound map table framing ogg theora; do
  mkdir -p "$corpus/${t}_fuzz"
done
"$build/seed_maker" "$corpus"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 5x3 gradient:red-blue "$work/rgb.ppm"
convert "$work/rgb.ppm" -alpha set -channel A -evaluate set 50% "$work/rgba.png"
convert "$work/rgb.ppm" BMP3:"$corpus/bmp_fuzz/rgb24.bmp"
convert "$work/rgb.ppm" -colors 4 -type Palette BMP3:"$corpus/bmp_fuzz/pal8.bmp"
convert "$work/rgb.ppm" -compress RLE "$corpus/tga_fuzz/rle.tga"
convert "$work/rgba.png" "$corpus/tga_fuzz/rgba.tga"
convert "$work/rgb.ppm" "$corpus/png_fuzz/rgb.png"
cp "$work/rgba.png" "$corpus/png_fuzz/rgba.png"
convert "$work/rgb.ppm" -colors 4 -type Palette "$corpus/png_fuzz/pal.png"
convert "$work/rgb.ppm" -quality 80 "$corpus/jpeg_fuzz/baseline.jpg"
convert "$work/rgb.ppm" -interlace JPEG "$corpus/jpeg_fuzz/progressive.jpg"
convert "$work/rgba.png" -define dds:compression=dxt1 "$corpus/dds_fuzz/dxt1.dds"
convert "$work/rgba.png" -define dds:compression=dxt5 "$corpus/dds_fuzz/dxt5.dds"
convert "$work/rgba.png" -define dds:compression=none "$corpus/dds_fuzz/argb.dds"
sox -n -r 8000 -c 1 -b 16 "$corpus/sound_fuzz/pcm16.wav" synth 0.01 sine 440 2>/dev/null ||
  printf 'RIFF$\0\0\0WAVEfmt \20\0\0\0\1\0\1\0@\37\0\0\200>\0\0\2\0\20\0data\0\0\0\0' > "$corpus/sound_fuzz/pcm16.wav"
# An MPEG-1 layer III frame header (128 kbit/s, 44.1 kHz) repeated, then an ID3v1 tag.
python3 - "$corpus/sound_fuzz/frames.mp3" <<'PY'
import sys
frame = bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(413)
open(sys.argv[1], "wb").write(frame * 3 + b"TAG" + bytes(125))
PY
head -c 200 /dev/zero | tr '\0' '\1' > "$corpus/convert_blt_fuzz/ones"
printf '\0\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\20\21\22\23' > "$corpus/convert_blt_fuzz/steps"
cp "$here/../../data/map/town.map" "$corpus/map_fuzz/town.map"
{ printf '\0'; cat "$here/../../data/item/NormalItem.csv"; } > "$corpus/table_fuzz/items"
{ printf '\7'; cat "$here/../../data/enemy/EnemyTable.csv"; } > "$corpus/table_fuzz/enemies"
{ printf '\13'; cat "$here/../../data/map/town.map"; } > "$corpus/table_fuzz/town_map"
