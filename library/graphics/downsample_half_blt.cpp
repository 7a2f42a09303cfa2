#include <stddef.h>
#include <stdint.h>

#include "Ombrel.h"
#include "graphics/pixel_access.h"

namespace {

struct ChannelMasks {
  uint32_t mask[4];
  int shift[4];
};

// Averages n pixels (2 or 4) channel by channel; bits outside the four masks
// come out 0.
template <int Count>
uint32_t AveragePixels(const uint32_t (&pixels)[Count], const ChannelMasks& channels) {
  constexpr int kShift = Count == 4 ? 2 : 1;
  uint32_t result = 0;
  for (int c = 0; c < 4; ++c) {
    uint32_t sum = 0;
    for (uint32_t p : pixels) sum += (p & channels.mask[c]) >> channels.shift[c];
    result |= ((sum >> kShift) << channels.shift[c]) & channels.mask[c];
  }
  return result;
}

// One walker for the three shapes: a vertical pair (stepX 0), a horizontal
// pair (stepY 0) or a 2 x 2 block.
template <int Bytes>
void DownsampleRows(uint8_t* dest, ptrdiff_t destPitch, const uint8_t* source,
                    ptrdiff_t sourcePitch, int sourceWidth, int sourceHeight,
                    const ChannelMasks& channels) {
  int stepX = sourceWidth == 1 ? 0 : 1;
  int stepY = sourceHeight == 1 ? 0 : 1;
  int destWidth = sourceWidth == 1 ? 1 : sourceWidth / 2;
  int destHeight = sourceHeight == 1 ? 1 : sourceHeight / 2;
  for (int j = 0; j < destHeight; ++j) {
    const uint8_t* top = source + (2 * j) * sourcePitch * stepY;
    const uint8_t* bottom = top + sourcePitch * stepY;
    uint8_t* out = dest + j * destPitch;
    for (int i = 0; i < destWidth; ++i) {
      const uint8_t* a = top + 2 * i * Bytes * stepX;
      const uint8_t* b = bottom + 2 * i * Bytes * stepX;
      uint32_t value;
      if (stepX && stepY) {
        const uint32_t quad[4] = {ReadPixel<Bytes>(a), ReadPixel<Bytes>(a + Bytes),
                                  ReadPixel<Bytes>(b), ReadPixel<Bytes>(b + Bytes)};
        value = AveragePixels(quad, channels);
      } else if (stepX) {
        const uint32_t pair[2] = {ReadPixel<Bytes>(a), ReadPixel<Bytes>(a + Bytes)};
        value = AveragePixels(pair, channels);
      } else if (stepY) {
        const uint32_t pair[2] = {ReadPixel<Bytes>(a), ReadPixel<Bytes>(b)};
        value = AveragePixels(pair, channels);
      } else {
        value = ReadPixel<Bytes>(a);
      }
      WritePixel<Bytes>(out + i * Bytes, value);
    }
  }
}

}  // namespace

int DownsampleHalfBlt(const ColorFormat* format, void* destPixels, int destPitch,
                      const void* sourcePixels, int sourcePitch, int destX, int destY,
                      int sourceX, int sourceY, int sourceWidth, int sourceHeight) {
  if (sourceWidth < 1 || sourceHeight < 1) return -1;
  if ((sourceWidth != 1 && sourceWidth % 2 != 0) || (sourceHeight != 1 && sourceHeight % 2 != 0)) {
    return -1;
  }
  if (format->colorBits != 16 && format->colorBits != 32) return 0;
  int bytes = format->bytesPerPixel;
  const ChannelMasks channels = {
      {format->redMask, format->greenMask, format->blueMask, format->alphaMask},
      {format->redShift, format->greenShift, format->blueShift, format->alphaShift}};
  auto* dest = static_cast<uint8_t*>(destPixels) + static_cast<ptrdiff_t>(destY) * destPitch +
               static_cast<ptrdiff_t>(destX) * bytes;
  auto* source = static_cast<const uint8_t*>(sourcePixels) +
                 static_cast<ptrdiff_t>(sourceY) * sourcePitch +
                 static_cast<ptrdiff_t>(sourceX) * bytes;
  if (bytes == 2) {
    DownsampleRows<2>(dest, destPitch, source, sourcePitch, sourceWidth, sourceHeight, channels);
  } else {
    DownsampleRows<4>(dest, destPitch, source, sourcePitch, sourceWidth, sourceHeight, channels);
  }
  return 0;
}
