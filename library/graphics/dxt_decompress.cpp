#include "graphics/dxt_decompress.h"

#include <cstring>

#include "Ombrel.h"
#include "graphics/byte_order.h"
#include "graphics/graph_image.h"
#include "graphics/image_size.h"
#include "system/tracked_memory.h"

namespace {

constexpr int64_t kMaxDataBytes = 0x7FFFFFFF;

struct Texel {
  uint32_t red, green, blue, alpha;
};

Texel ExpandEndpoint(uint32_t c) {
  return Texel{((c >> 11) & 0x1F) * 255 / 31, ((c >> 5) & 0x3F) * 255 / 63, (c & 0x1F) * 255 / 31,
               255};
}

Texel Blend(const Texel& a, const Texel& b, uint32_t weightA, uint32_t weightB, uint32_t alpha) {
  uint32_t total = weightA + weightB;
  return Texel{(weightA * a.red + weightB * b.red) / total,
               (weightA * a.green + weightB * b.green) / total,
               (weightA * a.blue + weightB * b.blue) / total, alpha};
}

// The colour half: two R5G6B5 endpoints and two index bits per texel. Only
// DXT1, when the first endpoint is not the greater, has three colours and a
// transparent fourth.
void DecodeColorHalf(const uint8_t* half, bool dxt1, Texel (&texels)[16]) {
  uint32_t c0 = ReadLe16(half), c1 = ReadLe16(half + 2);
  Texel table[4];
  table[0] = ExpandEndpoint(c0);
  table[1] = ExpandEndpoint(c1);
  if (!dxt1 || c0 > c1) {
    table[2] = Blend(table[0], table[1], 2, 1, 255);
    table[3] = Blend(table[0], table[1], 1, 2, 255);
  } else {
    table[2] = Blend(table[0], table[1], 1, 1, 255);
    table[3] = Blend(table[0], table[1], 1, 1, 0);
  }
  uint32_t indices = ReadLe32(half + 4);
  for (int k = 0; k < 16; ++k) texels[k] = table[(indices >> (2 * k)) & 3];
}

// DXT2/DXT3: four explicit bits of alpha per texel.
void DecodeExplicitAlpha(const uint8_t* half, Texel (&texels)[16]) {
  for (int k = 0; k < 16; ++k) {
    uint32_t nibble = (half[k / 2] >> (4 * (k % 2))) & 0xF;
    texels[k].alpha = nibble * 17;
  }
}

// DXT4/DXT5: two alpha endpoints and three index bits per texel.
void DecodeInterpolatedAlpha(const uint8_t* half, Texel (&texels)[16]) {
  uint32_t a0 = half[0], a1 = half[1];
  uint32_t table[8] = {a0, a1};
  if (a0 > a1) {
    for (uint32_t i = 1; i <= 6; ++i) table[i + 1] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (uint32_t i = 1; i <= 4; ++i) table[i + 1] = ((5 - i) * a0 + i * a1) / 5;
    table[6] = 0;
    table[7] = 255;
  }
  uint32_t low = half[2] | half[3] << 8 | half[4] << 16;
  uint32_t high = half[5] | half[6] << 8 | half[7] << 16;
  for (int k = 0; k < 16; ++k) {
    uint32_t bits = k < 8 ? low : high;
    texels[k].alpha = table[(bits >> (3 * (k % 8))) & 7];
  }
}

// Premultiplied colour back to straight colour. A colour above its alpha
// (which premultiplied data cannot hold) stays at 255 instead of wrapping,
// and texels with no alpha keep no colour.
void Unpremultiply(Texel (&texels)[16]) {
  for (Texel& t : texels) {
    if (t.alpha == 0) {
      t.red = t.green = t.blue = 0;
      continue;
    }
    auto restore = [&](uint32_t c) {
      uint32_t v = c * 255 / t.alpha;
      return v > 255 ? 255u : v;
    };
    t.red = restore(t.red);
    t.green = restore(t.green);
    t.blue = restore(t.blue);
  }
}

void DecodeBlock(const uint8_t* block, uint32_t compression, Texel (&texels)[16]) {
  if (compression == kCompressionDxt1) {
    DecodeColorHalf(block, true, texels);
    return;
  }
  DecodeColorHalf(block + 8, false, texels);
  if (compression <= kCompressionDxt3) {
    DecodeExplicitAlpha(block, texels);
  } else {
    DecodeInterpolatedAlpha(block, texels);
  }
  if (compression == kCompressionDxt2 || compression == kCompressionDxt4) Unpremultiply(texels);
}

}  // namespace

int DxtBlockBytes(uint32_t compression) {
  if (compression == kCompressionDxt1) return 8;
  if (compression >= kCompressionDxt2 && compression <= kCompressionDxt5) return 16;
  return 0;
}

bool ComputeDxtDataSize(int width, int height, uint32_t compression, int mipLevels,
                        size_t* bytes) {
  int blockBytes = DxtBlockBytes(compression);
  if (blockBytes == 0 || width <= 0 || height <= 0 || mipLevels < 0) return false;
  int64_t total = 0;
  int64_t w = width, h = height;
  int levels = mipLevels < 1 ? 1 : mipLevels;
  for (int level = 0; level < levels; ++level) {
    total += ((w + 3) / 4) * ((h + 3) / 4) * blockBytes;
    if (total > kMaxDataBytes) return false;
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
  }
  *bytes = static_cast<size_t>(total);
  return true;
}

int DecompressDxtGraphImage(GraphImage* image) {
  uint32_t compression = image->format.compression;
  if (compression == kCompressionNone) return 0;
  int blockBytes = DxtBlockBytes(compression);
  int pitch;
  size_t outBytes;
  if (blockBytes == 0 || !image->pixels || !ComputeImagePitch(image->width, 4, 1, &pitch) ||
      !ComputeImageBytes(pitch, image->height, &outBytes)) {
    return -1;
  }
  auto* out = static_cast<uint8_t*>(AllocGraphImageMemory(outBytes));
  if (!out) return -1;

  // Block rows are ceil(width / 4) blocks wide; blocks at the right and
  // bottom edges are cut to the image.
  const int blocksAcross = (image->width + 3) / 4;
  const int blocksDown = (image->height + 3) / 4;
  const auto* block = static_cast<const uint8_t*>(image->pixels);
  for (int by = 0; by < blocksDown; ++by) {
    for (int bx = 0; bx < blocksAcross; ++bx, block += blockBytes) {
      Texel texels[16];
      DecodeBlock(block, compression, texels);
      for (int row = 0; row < 4 && by * 4 + row < image->height; ++row) {
        uint8_t* dest = out + static_cast<ptrdiff_t>(by * 4 + row) * pitch + bx * 16;
        for (int column = 0; column < 4 && bx * 4 + column < image->width; ++column) {
          const Texel& t = texels[row * 4 + column];
          uint32_t argb = t.alpha << 24 | t.red << 16 | t.green << 8 | t.blue;
          std::memcpy(dest + column * 4, &argb, 4);
        }
      }
    }
  }

  FreeTrackedMemory(image->pixels);
  image->pixels = out;
  image->pitch = pitch;
  SetColorFormatARGB8(&image->format);
  // Only the top level is decoded; a count of the old chain would send a
  // mip-level copy past the end of the new buffer.
  image->mipLevels = 0;
  return 0;
}
