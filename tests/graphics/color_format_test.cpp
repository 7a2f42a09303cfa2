#include "graphics/color_format.h"

#include <gtest/gtest.h>

#include "support/pixel_formats.h"

namespace {

TEST(ColorFormatTest, MasksGiveWidthsShiftsAndUnusedBits) {
  struct Case {
    int bits;
    uint32_t masks[4];
    int widths[4], shifts[4];
    uint32_t unusedMask;
    int unusedShift, unusedWidth, bytes;
  };
  const Case cases[] = {
      {16, {0xF800, 0x07E0, 0x001F, 0}, {5, 6, 5, 0}, {11, 5, 0, 0}, 0, 0, 0, 2},
      {32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0}, {8, 8, 8, 0}, {16, 8, 0, 0},
       0xFF000000, 24, 8, 4},
      {16, {0x7C00, 0x03E0, 0x001F, 0}, {5, 5, 5, 0}, {10, 5, 0, 0}, 0x8000, 15, 1, 2},
      {32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, {10, 10, 10, 2}, {20, 10, 0, 30},
       0, 0, 0, 4},
      {24, {0xFF0000, 0xFF00, 0xFF, 0}, {8, 8, 8, 0}, {16, 8, 0, 0}, 0, 0, 0, 3},
      {8, {0xE0, 0x1C, 0x03, 0}, {3, 3, 2, 0}, {5, 2, 0, 0}, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.masks[0]);
    ColorFormat f = MaskFormat(c.bits, c.masks[0], c.masks[1], c.masks[2], c.masks[3]);
    EXPECT_EQ(f.colorBits, c.bits);
    EXPECT_EQ(f.bytesPerPixel, c.bytes);
    EXPECT_EQ(f.compression, 0u);
    const int widths[4] = {f.redWidth, f.greenWidth, f.blueWidth, f.alphaWidth};
    const int shifts[4] = {f.redShift, f.greenShift, f.blueShift, f.alphaShift};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(widths[i], c.widths[i]) << i;
      EXPECT_EQ(shifts[i], c.shifts[i]) << i;
    }
    EXPECT_EQ(f.unusedMask, c.unusedMask);
    EXPECT_EQ(f.unusedShift, c.unusedShift);
    EXPECT_EQ(f.unusedWidth, c.unusedWidth);
  }
}

TEST(ColorFormatTest, FromMasksLeavesThePaletteAlone) {
  ColorFormat f = GrayFormat();
  SetColorFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
  EXPECT_EQ(f.palette[200].red, 200);
}

TEST(ColorFormatTest, UpdateUnusedMaskRecomputesOnlyTheMask) {
  ColorFormat f = MaskFormat(16, 0x7C00, 0x03E0, 0x001F, 0);
  f.unusedMask = 0;
  EXPECT_EQ(UpdateColorFormatUnusedMask(&f), &f);
  EXPECT_EQ(f.unusedMask, 0x8000u);
  ColorFormat full = MaskFormat(16, 0xF800, 0x07E0, 0x001F, 0);
  full.unusedMask = 0x1234;
  UpdateColorFormatUnusedMask(&full);
  EXPECT_EQ(full.unusedMask, 0u);
  ColorFormat wide = X8R8G8B8Format();
  wide.unusedMask = 0;
  UpdateColorFormatUnusedMask(&wide);
  EXPECT_EQ(wide.unusedMask, 0xFF000000u);
}

TEST(ColorFormatTest, FixedLayoutsWriteTheirFieldsOnly) {
  struct Case {
    int (*set)(ColorFormat*);
    int bits, bytes, alphaWidth;
    uint32_t alphaMask, unusedMask;
    int unusedShift, unusedWidth;  // 99 = left as it was
  };
  const Case cases[] = {
      {SetColorFormatPalette8, 8, 1, 0, 0, 0xFF000000, 99, 99},
      {SetColorFormatXRGB8, 32, 4, 0, 0, 0xFF000000, 24, 8},
      {SetColorFormatARGB8, 32, 4, 8, 0xFF000000, 0, 99, 99},
      {SetColorFormatRGB24, 24, 3, 0, 0, 0, 99, 99},
      {SetColorFormatGray8, 8, 1, 0, 0, 0xFF000000, 99, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits * 10 + c.bytes);
    ColorFormat f{};
    f.compression = 3;
    f.unusedShift = 99;
    f.unusedWidth = 99;
    f.palette[7] = ColorPaletteEntry{1, 2, 3, 4};
    EXPECT_EQ(c.set(&f), 0);
    EXPECT_EQ(f.colorBits, c.bits);
    EXPECT_EQ(f.bytesPerPixel, c.bytes);
    EXPECT_EQ(f.compression, 0u);
    EXPECT_EQ(f.redMask, 0x00FF0000u);
    EXPECT_EQ(f.greenMask, 0x0000FF00u);
    EXPECT_EQ(f.blueMask, 0x000000FFu);
    EXPECT_EQ(f.redShift, 16);
    EXPECT_EQ(f.greenShift, 8);
    EXPECT_EQ(f.blueShift, 0);
    EXPECT_EQ(f.alphaWidth, c.alphaWidth);
    EXPECT_EQ(f.alphaMask, c.alphaMask);
    EXPECT_EQ(f.unusedMask, c.unusedMask);
    EXPECT_EQ(f.unusedShift, c.unusedShift);
    EXPECT_EQ(f.unusedWidth, c.unusedWidth);
    if (c.set == SetColorFormatGray8) {
      EXPECT_EQ(f.palette[7].red, 7);
      EXPECT_EQ(f.palette[7].alpha, 0);
      EXPECT_EQ(f.palette[255].blue, 255);
    } else {
      EXPECT_EQ(f.palette[7].red, 3);
    }
  }
}

TEST(ColorFormatTest, PackColorCodeTruncatesAndSetsUnusedBits) {
  struct Case {
    ColorFormat format;
    int r, g, b, a;
    uint32_t expected;
  };
  const Case cases[] = {
      {X8R8G8B8Format(), 0x12, 0x34, 0x56, 0x77, 0xFF123456},
      {A8R8G8B8Format(), 0x12, 0x34, 0x56, 0x80, 0x80123456},
      {R5G6B5Format(), 255, 255, 255, 0, 0xFFFF},
      {R5G6B5Format(), 8, 4, 8, 0, 0x0821},
      {R5G6B5Format(), 7, 3, 7, 0, 0x0000},
      {X1R5G5B5Format(), 0, 0, 0, 0, 0x8000},
      {A1R5G5B5Format(), 255, 0, 0, 127, 0x7C00},
      {A1R5G5B5Format(), 255, 0, 0, 128, 0xFC00},
      {R8G8B8Format(), 1, 2, 3, 4, 0x010203},
      {X8R8G8B8Format(), 0x112, 0x234, 0x356, 0, 0xFF123456},  // low 8 bits only
      {MaskFormat(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000), 255, 0, 255, 255,
       0xFFF003FF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(PackColorCode(&c.format, c.r, c.g, c.b, c.a), c.expected);
  }
}

TEST(ColorFormatTest, PackColorCodeOnPalettesFindsNearestLowestIndex) {
  ColorFormat gray = GrayFormat();
  EXPECT_EQ(PackColorCode(&gray, 10, 20, 30, 0), 20u);
  ColorFormat palette = PaletteFormat({0x000000, 0x101010, 0x202020, 0x405060, 0x808080, 0x405061,
                                       0x405060, 0x405060});
  EXPECT_EQ(PackColorCode(&palette, 0x40, 0x50, 0x60, 0), 3u);
  EXPECT_EQ(PackColorCode(&palette, 0x40, 0x50, 0x61, 0), 5u);
  // An equal distance to two entries picks the lower one.
  EXPECT_EQ(PackColorCode(&palette, 0x08, 0x08, 0x08, 0), 0u);
}

TEST(ColorFormatTest, UnpackColorCodeScalesNarrowChannels) {
  struct Case {
    ColorFormat format;
    uint32_t pixel;
    int r, g, b, a;  // -7: the alpha variable is left untouched
  };
  const Case cases[] = {
      {A4R4G4B4Format(), 0xF8C0, 136, 204, 0, 255},
      {R5G6B5Format(), 0xFFFF, 255, 255, 255, 0},
      {R5G6B5Format(), 0x8410, 131, 129, 131, 0},
      {X8R8G8B8Format(), 0xAB123456, 0x12, 0x34, 0x56, -7},
      {A8R8G8B8Format(), 0xAB123456, 0x12, 0x34, 0x56, 0xAB},
      {A1R5G5B5Format(), 0x8000, 0, 0, 0, 255},
      {MaskFormat(32, 0xFF0000, 0xFF00, 0xFF, 0x0F000000), 0x0F000000, 0, 0, 0, 255},
      {PaletteFormat({}), 0x00102030, 0x10, 0x20, 0x30, -7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pixel);
    int r = -1, g = -1, b = -1, a = -7;
    EXPECT_EQ(UnpackColorCode(&c.format, c.pixel, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, c.r);
    EXPECT_EQ(g, c.g);
    EXPECT_EQ(b, c.b);
    EXPECT_EQ(a, c.a);
  }
}

TEST(ColorFormatTest, UnpackColorCodeSkipsNullOutputs) {
  ColorFormat f = R5G6B5Format();
  int g = 0;
  EXPECT_EQ(UnpackColorCode(&f, 0x07E0, nullptr, &g, nullptr, nullptr), 0);
  EXPECT_EQ(g, 255);
}

TEST(ColorFormatTest, PackThenUnpackKeepsEveryEightBitValue) {
  ColorFormat f = A8R8G8B8Format();
  for (int v = 0; v < 256; ++v) {
    int r, g, b, a;
    UnpackColorCode(&f, PackColorCode(&f, v, 255 - v, v / 2, v), &r, &g, &b, &a);
    ASSERT_EQ(r, v);
    ASSERT_EQ(g, 255 - v);
    ASSERT_EQ(b, v / 2);
    ASSERT_EQ(a, v);
  }
}

}  // namespace
