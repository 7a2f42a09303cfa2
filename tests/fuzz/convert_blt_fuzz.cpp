// The conversion blit over its argument space: source, alpha and destination
// layouts (a table of the layouts the library meets, or masks taken from the
// input), mirroring, keying, dithering, the alpha options and palette remap,
// with the rectangle and position inside both images as the caller must
// keep them. The pixels come from the input too.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "Ombrel.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  size_t position = 0;
  uint32_t Take(int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      value = value << 8 | (position < size ? data[position] : 0);
      ++position;
    }
    return value;
  }
};

void MakeFormat(Input* in, ColorFormat* format) {
  memset(format, 0, sizeof *format);
  switch (in->Take(1) % 9) {
    case 0: SetColorFormatXRGB8(format); break;
    case 1: SetColorFormatARGB8(format); break;
    case 2: SetColorFormatRGB24(format); break;
    case 3: SetColorFormatGray8(format); break;
    case 4:
      SetColorFormatPalette8(format);
      for (ColorPaletteEntry& entry : format->palette) {
        const uint32_t v = in->Take(4);
        memcpy(&entry, &v, sizeof entry);
      }
      break;
    case 5: SetColorFormatFromMasks(format, 16, 0xF800, 0x07E0, 0x001F, 0); break;
    case 6: SetColorFormatFromMasks(format, 16, 0x7C00, 0x03E0, 0x001F, 0x8000); break;
    case 7: SetColorFormatFromMasks(format, 16, 0x0F00, 0x00F0, 0x000F, 0xF000); break;
    default: {
      static const int kBits[] = {8, 16, 24, 32};
      const int bits = kBits[in->Take(1) % 4];
      const uint32_t all = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
      if (SetColorFormatFromMasks(format, bits, in->Take(4) & all, in->Take(4) & all,
                                  in->Take(4) & all, in->Take(4) & all) != 0) {
        SetColorFormatXRGB8(format);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  Input in{data, size};
  ColorFormat source, alpha, dest;
  MakeFormat(&in, &source);
  MakeFormat(&in, &alpha);
  MakeFormat(&in, &dest);
  const int width = 1 + in.Take(1) % 24, height = 1 + in.Take(1) % 24;
  const int destWidth = width + in.Take(1) % 8, destHeight = height + in.Take(1) % 8;
  const int sourcePitch = width * source.bytesPerPixel + in.Take(1) % 4;
  const int alphaPitch = width * alpha.bytesPerPixel + in.Take(1) % 4;
  const int destPitch = destWidth * dest.bytesPerPixel + in.Take(1) % 4;
  std::vector<uint8_t> sourcePixels(static_cast<size_t>(sourcePitch) * height);
  std::vector<uint8_t> alphaPixels(static_cast<size_t>(alphaPitch) * height);
  std::vector<uint8_t> destPixels(static_cast<size_t>(destPitch) * destHeight);
  for (uint8_t& b : sourcePixels) b = static_cast<uint8_t>(in.Take(1));
  for (uint8_t& b : alphaPixels) b = static_cast<uint8_t>(in.Take(1));

  IntRect rect;
  rect.left = in.Take(1) % width;
  rect.top = in.Take(1) % height;
  rect.right = rect.left + 1 + in.Take(1) % (width - rect.left);
  rect.bottom = rect.top + 1 + in.Take(1) % (height - rect.top);
  const int destX = in.Take(1) % (destWidth - (rect.right - rect.left) + 1);
  const int destY = in.Take(1) % (destHeight - (rect.bottom - rect.top) + 1);
  const uint32_t flags = in.Take(2);
  const bool withAlpha = flags & 1;
  ConvertFormatBlt(destPixels.data(), destPitch, &dest, sourcePixels.data(), sourcePitch, &source,
                   withAlpha ? alphaPixels.data() : nullptr, alphaPitch, withAlpha ? &alpha : nullptr,
                   destX, destY, &rect, flags >> 1 & 1, flags >> 2 & 1, in.Take(4),
                   static_cast<int>(flags >> 3 & 3), flags >> 5 & 1, flags >> 6 & 1, flags >> 7 & 1,
                   flags >> 8 & 1);
  return 0;
}
