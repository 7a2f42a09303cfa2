#!/usr/bin/env bash
# Makes image files in layouts the library's own fixture writers do not
# produce, with tools of the machine: ImageMagick for the PNG layouts and the
# progressive JPEG, jpegtran for arithmetic coding, djpeg for the JPEG
# references, and a small run-length encoder for the 4-bit BMP.
# Usage: make_loader_variants.sh <output folder>
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

python3 - <<'PY'
def pnm(name, magic, width, height, pixel):
    with open(name, "w") as f:
        f.write(f"{magic}\n{width} {height}\n255\n")
        for y in range(height):
            f.write(" ".join(" ".join(str(v) for v in pixel(x, y)) for x in range(width)) + "\n")

pnm("grey.pgm", "P2", 8, 6, lambda x, y: [(x * 29 + y * 41) % 256])
pnm("grey2.pgm", "P2", 11, 7, lambda x, y: [((x + 2 * y) % 4) * 85])
pnm("grey1.pgm", "P2", 13, 9, lambda x, y: [255 if (x * 3 + y) % 5 == 0 else 0])
pnm("rgb.ppm", "P3", 8, 6,
    lambda x, y: [(x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * y * 7) % 256])
pnm("photo.ppm", "P3", 40, 24,
    lambda x, y: [x * 6, y * 10, 128 + (x - y) * 2])

# A 4-bit BMP compressed with RLE4: runs of one colour in encoded mode, the
# rest in absolute mode, rows bottom-up, each ended by an end-of-line code.
import struct
width, height = 13, 5
palette = [((i * 16) & 0xFF, (255 - i * 16) & 0xFF, (i * 40) & 0xFF) for i in range(16)]
def index(x, y):
    return (x // 4 + y * 3) % 16 if x < 8 else (x * 7 + y) % 16
data = bytearray()
for y in reversed(range(height)):
    row = [index(x, y) for x in range(width)]
    x = 0
    while x < width:
        run = 1
        while x + run < width and row[x + run] == row[x] and run < 255:
            run += 1
        if run >= 2:
            data += bytes([run, row[x] << 4 | row[x]])
            x += run
            continue
        end = x
        while end < width and (end + 1 >= width or row[end + 1] != row[end]) and end - x < 255:
            end += 1
        count = end - x
        if count < 3:
            data += bytes([1, row[x] << 4])
            x += 1
            continue
        packed = bytearray()
        for i in range(0, count, 2):
            high = row[x + i]
            low = row[x + i + 1] if i + 1 < count else 0
            packed.append(high << 4 | low)
        if len(packed) % 2:
            packed.append(0)
        data += bytes([0, count]) + packed
        x = end
    data += bytes([0, 0])
data[-2:] = bytes([0, 1])
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 2, len(data), 2835, 2835, 16, 0)
colours = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
offset = 14 + len(info) + len(colours)
with open("rle4.bmp", "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + colours + data)
with open("rle4.txt", "w") as f:
    for y in range(height):
        f.write(" ".join("%06x" % (palette[index(x, y)][0] << 16 | palette[index(x, y)][1] << 8 |
                                  palette[index(x, y)][2]) for x in range(width)) + "\n")
PY

convert grey.pgm -define png:bit-depth=16 -define png:color-type=0 -strip grey16.png
convert grey2.pgm -define png:bit-depth=2 -define png:color-type=0 -interlace PNG -strip \
  grey2_interlaced.png
convert grey1.pgm -define png:bit-depth=1 -define png:color-type=0 -interlace PNG -strip \
  grey1_interlaced.png
# (2, 0) of the grey pattern is 58; (1, 0) of the colour pattern is (37, 5, 0).
convert grey.pgm -transparent 'gray(58)' -define png:color-type=0 -strip grey_trns.png
convert rgb.ppm -transparent 'rgb(37,5,0)' -define png:color-type=2 -strip rgb_trns.png
convert photo.ppm -quality 90 -interlace JPEG progressive.jpg
jpegtran -arithmetic -outfile arithmetic.jpg progressive.jpg
jpegtran -arithmetic -progressive -outfile arithmetic_progressive.jpg progressive.jpg
for name in progressive arithmetic arithmetic_progressive; do
  djpeg -pnm -outfile "$name.ppm" "$name.jpg"
done
