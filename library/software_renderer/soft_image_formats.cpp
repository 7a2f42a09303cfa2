// The static pixel formats of software images, one record per combination of
// colour type, alpha and palette, filled on first request and never changed.
#include "software_renderer/soft_image.h"

namespace {

struct FormatSlot {
  bool filled;
  ColorFormat format;
};

FormatSlot colorSlots[2][2][2];  // [colour type][alpha][palettised]
FormatSlot singleSlots[2];       // colour types 2 and 3

void FillSingleChannel(ColorFormat* f, int bits) {
  *f = ColorFormat{};
  const uint32_t mask = bits == 8 ? 0xFFu : 0xFFFFu;
  f->colorBits = static_cast<uint16_t>(bits);
  f->bytesPerPixel = static_cast<uint16_t>(bits / 8);
  f->redWidth = f->greenWidth = f->blueWidth = f->alphaWidth = static_cast<uint8_t>(bits);
  f->redMask = f->greenMask = f->blueMask = f->alphaMask = mask;
}

}  // namespace

const ColorFormat* GetSoftImgColorFormat(int colorType, int alpha, int palettised) {
  const auto type = static_cast<uint32_t>(colorType);
  if (type > 3) return nullptr;
  if (type >= 2) {
    FormatSlot& slot = singleSlots[type - 2];
    if (!slot.filled) {
      FillSingleChannel(&slot.format, type == 2 ? 8 : 16);
      slot.filled = true;
    }
    return &slot.format;
  }
  const int a = alpha ? 1 : 0;
  const int p = palettised ? 1 : 0;
  FormatSlot& slot = colorSlots[type][a][p];
  if (!slot.filled) {
    if (type == kSoftImgColor16) {
      SetColorFormatFromMasks(&slot.format, p ? 8 : a ? 32 : 16, 0xF800, 0x07E0, 0x001F,
                              a ? 0x00FF0000u : 0);
    } else {
      SetColorFormatFromMasks(&slot.format, p ? 8 : 32, 0x00FF0000, 0x0000FF00, 0x000000FF,
                              a ? 0xFF000000u : 0);
    }
    slot.filled = true;
  }
  return &slot.format;
}
