#include "graphics/color_format.h"
#include "graphics/screen_settings.h"

namespace {

// Colour codes follow the screen: R5G6B5 when the screen has exactly 16
// bits, else X8R8G8B8. Before start-up the bits are 0, so codes made by static
// initialisers come out 0xFFRRGGBB. The Direct3D surface formats of the two
// modes describe the same bit layouts, so the renderer makes no difference.
const ColorFormat* ReferenceColorFormat() {
  static const ColorFormat format16 = [] {
    ColorFormat f{};
    SetColorFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
    return f;
  }();
  static const ColorFormat format32 = [] {
    ColorFormat f{};
    SetColorFormatFromMasks(&f, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
    return f;
  }();
  return GetScreenSettings().colorBits == 16 ? &format16 : &format32;
}

uint32_t ComposeChannel(int value, int width, int shift) {
  return (static_cast<uint32_t>(value & 0xFF) >> (8 - width)) << shift;
}

}  // namespace

ColorCode ComposeColorCode(int red, int green, int blue) {
  const ColorFormat* f = ReferenceColorFormat();
  return ComposeChannel(blue, f->blueWidth, f->blueShift) +
         ComposeChannel(green, f->greenWidth, f->greenShift) +
         ComposeChannel(red, f->redWidth, f->redShift) + f->unusedMask;
}

int SplitColorCode(ColorCode code, int* red, int* green, int* blue) {
  const ColorFormat* f = ReferenceColorFormat();
  if (red) *red = ExpandChannelTo8((code & f->redMask) >> f->redShift, f->redWidth);
  if (green) *green = ExpandChannelTo8((code & f->greenMask) >> f->greenShift, f->greenWidth);
  if (blue) *blue = ExpandChannelTo8((code & f->blueMask) >> f->blueShift, f->blueWidth);
  return 0;
}

FloatColor* MakeFloatColor(FloatColor* out, float red, float green, float blue, float alpha) {
  out->red = red;
  out->green = green;
  out->blue = blue;
  out->alpha = alpha;
  return out;
}
