#include "graphics/color_format.h"

#include <cstring>

namespace {

uint32_t LowBitsMask(int bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1; }

// Truncates an 8-bit value to a channel of the given width; wider channels
// are scaled up so that 255 stays full.
uint32_t PackChannel(int value8, int width, int shift) {
  if (width == 0) return 0;
  uint32_t v = static_cast<uint32_t>(value8) & 0xFF;
  uint32_t field;
  if (width <= 8) {
    field = v >> (8 - width);
  } else {
    field = static_cast<uint32_t>(static_cast<uint64_t>(v) * LowBitsMask(width) / 255);
  }
  return field << shift;
}

void SetChannels(ColorFormat* format, int colorBits, int bytesPerPixel) {
  format->colorBits = static_cast<uint16_t>(colorBits);
  format->bytesPerPixel = static_cast<uint16_t>(bytesPerPixel);
  format->redWidth = 8;
  format->greenWidth = 8;
  format->blueWidth = 8;
  format->alphaWidth = 0;
  format->redShift = 16;
  format->greenShift = 8;
  format->blueShift = 0;
  format->alphaShift = 0;
  format->redMask = 0x00FF0000;
  format->greenMask = 0x0000FF00;
  format->blueMask = 0x000000FF;
  format->alphaMask = 0;
  format->compression = kCompressionNone;
}

}  // namespace

void FindMaskRun(uint32_t mask, uint8_t* shift, uint8_t* width) {
  if (mask == 0) {
    *shift = 0;
    *width = 0;
    return;
  }
  int s = __builtin_ctz(mask);
  uint32_t run = mask >> s;
  int w = run == 0xFFFFFFFFu ? 32 : __builtin_ctz(~run);
  *shift = static_cast<uint8_t>(s);
  *width = static_cast<uint8_t>(w);
}

int ExpandChannelTo8(uint32_t value, int width) {
  if (width == 0) return 0;
  if (width == 8) return static_cast<int>(value);
  return static_cast<int>(static_cast<uint64_t>(value) * 255 / LowBitsMask(width));
}

uint32_t PaletteEntryValue(const ColorPaletteEntry& entry) {
  return static_cast<uint32_t>(entry.alpha) << 24 | static_cast<uint32_t>(entry.red) << 16 |
         static_cast<uint32_t>(entry.green) << 8 | entry.blue;
}

int FindNearestPaletteIndex(const ColorFormat* format, int red, int green, int blue) {
  int best = 0;
  int bestDistance = 0x7FFFFFFF;
  for (int i = 0; i < 256; ++i) {
    const ColorPaletteEntry& e = format->palette[i];
    int dr = e.red - red, dg = e.green - green, db = e.blue - blue;
    int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

int SetColorFormatFromMasks(ColorFormat* format, int colorBits, uint32_t redMask,
                            uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask) {
  format->colorBits = static_cast<uint16_t>(colorBits);
  format->bytesPerPixel = static_cast<uint16_t>(colorBits / 8);
  format->compression = kCompressionNone;
  format->redMask = redMask;
  format->greenMask = greenMask;
  format->blueMask = blueMask;
  format->alphaMask = alphaMask;
  format->unusedMask = LowBitsMask(colorBits) & ~(redMask | greenMask | blueMask | alphaMask);
  FindMaskRun(redMask, &format->redShift, &format->redWidth);
  FindMaskRun(greenMask, &format->greenShift, &format->greenWidth);
  FindMaskRun(blueMask, &format->blueShift, &format->blueWidth);
  FindMaskRun(alphaMask, &format->alphaShift, &format->alphaWidth);
  FindMaskRun(format->unusedMask, &format->unusedShift, &format->unusedWidth);
  return 0;
}

ColorFormat* UpdateColorFormatUnusedMask(ColorFormat* format) {
  int widths = format->redWidth + format->greenWidth + format->blueWidth + format->alphaWidth;
  if (widths == format->colorBits) {
    format->unusedMask = 0;
  } else {
    format->unusedMask = LowBitsMask(format->colorBits) & ~(format->redMask | format->greenMask |
                                                            format->blueMask | format->alphaMask);
  }
  return format;
}

int SetColorFormatPalette8(ColorFormat* format) {
  SetChannels(format, 8, 1);
  format->unusedMask = 0xFF000000;
  return 0;
}

int SetColorFormatXRGB8(ColorFormat* format) {
  SetChannels(format, 32, 4);
  format->unusedMask = 0xFF000000;
  format->unusedShift = 24;
  format->unusedWidth = 8;
  return 0;
}

int SetColorFormatARGB8(ColorFormat* format) {
  SetChannels(format, 32, 4);
  format->alphaWidth = 8;
  format->alphaShift = 24;
  format->alphaMask = 0xFF000000;
  format->unusedMask = 0;
  return 0;
}

int SetColorFormatRGB24(ColorFormat* format) {
  SetChannels(format, 24, 3);
  format->unusedMask = 0;
  return 0;
}

int SetColorFormatGray8(ColorFormat* format) {
  SetChannels(format, 8, 1);
  format->unusedMask = 0xFF000000;
  for (int i = 0; i < 256; ++i) {
    uint8_t v = static_cast<uint8_t>(i);
    format->palette[i] = ColorPaletteEntry{v, v, v, 0};
  }
  return 0;
}

uint32_t PackColorCode(const ColorFormat* format, int red, int green, int blue, int alpha) {
  if (format->bytesPerPixel == 1) {
    return static_cast<uint32_t>(
        FindNearestPaletteIndex(format, red & 0xFF, green & 0xFF, blue & 0xFF));
  }
  uint32_t pixel = PackChannel(red, format->redWidth, format->redShift) |
                   PackChannel(green, format->greenWidth, format->greenShift) |
                   PackChannel(blue, format->blueWidth, format->blueShift);
  pixel |= format->unusedMask;
  if (format->alphaWidth != 0) pixel |= PackChannel(alpha, format->alphaWidth, format->alphaShift);
  return pixel;
}

int UnpackColorCode(const ColorFormat* format, uint32_t pixel, int* red, int* green, int* blue,
                    int* alpha) {
  auto field = [pixel](uint32_t mask, int shift) { return (pixel & mask) >> shift; };
  bool trueColor = format->redWidth == 8 && format->greenWidth == 8 && format->blueWidth == 8;
  if (red) *red = ExpandChannelTo8(field(format->redMask, format->redShift), format->redWidth);
  if (green) {
    *green = ExpandChannelTo8(field(format->greenMask, format->greenShift), format->greenWidth);
  }
  if (blue) *blue = ExpandChannelTo8(field(format->blueMask, format->blueShift), format->blueWidth);
  // A true-colour layout without alpha leaves the caller's alpha alone, so a
  // default set before the call survives.
  if (alpha && (format->alphaWidth != 0 || !trueColor)) {
    *alpha = ExpandChannelTo8(field(format->alphaMask, format->alphaShift), format->alphaWidth);
  }
  return 0;
}
