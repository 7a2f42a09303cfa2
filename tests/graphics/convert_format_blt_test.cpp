#include "graphics/convert_format_blt.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/pixel_formats.h"

namespace {

struct Options {
  int mirror = 0;
  int keyToAlpha = 0;
  uint32_t transColor = 0;
  int dither = 0;
  int alphaOnly = 0;
  int alphaFromRed = 0;
  int skip = 0;
  int remap = 0;
};

Options Mirror() { return {.mirror = 1}; }
Options Key(uint32_t color, int mirror = 0) {
  return {.mirror = mirror, .keyToAlpha = 1, .transColor = color};
}
Options Skip(uint32_t color, int mirror = 0) {
  return {.mirror = mirror, .transColor = color, .skip = 1};
}
Options Dither(int mode) { return {.dither = mode}; }
Options Remap() { return {.remap = 1}; }
Options AlphaFromRed(int alphaOnly) { return {.alphaOnly = alphaOnly, .alphaFromRed = 1}; }
Options AlphaOnly() { return {.alphaOnly = 1}; }

// The 8-bit single-channel layout of blend images: every channel is the byte.
ColorFormat SingleChannelFormat() {
  ColorFormat f{};
  f.colorBits = 8;
  f.bytesPerPixel = 1;
  f.redWidth = f.greenWidth = f.blueWidth = f.alphaWidth = 8;
  f.redMask = f.greenMask = f.blueMask = f.alphaMask = 0xFF;
  return f;
}

struct RowCase {
  std::string name;
  ColorFormat source, dest;
  std::vector<uint32_t> pixels;
  Options options;
  std::vector<uint32_t> expected;
  int result = 0;
  const ColorFormat* alphaFormat = nullptr;
  std::vector<uint32_t> alphaPixels = {};
};

constexpr uint32_t kUntouched = 0xDEADBEEF;

// Converts `rect` of the source to (destX, destY) with the given options.
int Blt(PixelBuffer& dest, const ColorFormat& destFormat, const PixelBuffer& source,
        const ColorFormat& sourceFormat, const IntRect& rect, const Options& o = {},
        int destX = 0, int destY = 0) {
  return ConvertFormatBlt(dest.data(), dest.pitch, &destFormat, source.data(), source.pitch,
                          &sourceFormat, nullptr, 0, nullptr, destX, destY, &rect, o.mirror,
                          o.keyToAlpha, o.transColor, o.dither, o.alphaOnly, o.alphaFromRed,
                          o.skip, o.remap);
}

// Converts one row of pixels into a row pre-filled with kUntouched (cut to the
// destination's pixel size) and returns the row and the result.
std::vector<uint32_t> ConvertRow(const RowCase& c, int* result) {
  const int width = static_cast<int>(c.pixels.size());
  PixelBuffer source(width, 1, c.source.bytesPerPixel);
  for (int x = 0; x < width; ++x) source.Set(x, 0, c.pixels[x]);
  PixelBuffer dest(width, 1, c.dest.bytesPerPixel);
  dest.Fill(kUntouched);
  PixelBuffer alpha(width, 1, c.alphaFormat ? c.alphaFormat->bytesPerPixel : 1);
  for (size_t x = 0; x < c.alphaPixels.size(); ++x) {
    alpha.Set(static_cast<int>(x), 0, c.alphaPixels[x]);
  }
  const IntRect rect{0, 0, width, 1};
  const Options& o = c.options;
  *result = ConvertFormatBlt(dest.data(), dest.pitch, &c.dest, source.data(), source.pitch,
                             &c.source, c.alphaFormat ? alpha.data() : nullptr, alpha.pitch,
                             c.alphaFormat, 0, 0, &rect, o.mirror, o.keyToAlpha, o.transColor,
                             o.dither, o.alphaOnly, o.alphaFromRed, o.skip, o.remap);
  std::vector<uint32_t> row;
  for (int x = 0; x < width; ++x) row.push_back(dest.Get(x, 0));
  return row;
}

uint32_t Untouched(int bytes) {
  return bytes == 4 ? kUntouched : kUntouched & ((1u << (8 * bytes)) - 1);
}

TEST(ConvertFormatBltTest, ReachesEveryCase) {
  const ColorFormat r565 = R5G6B5Format(), x555 = X1R5G5B5Format(), a555 = A1R5G5B5Format();
  const ColorFormat rgb = R8G8B8Format(), xrgb = X8R8G8B8Format(), argb = A8R8G8B8Format();
  const ColorFormat a444 = A4R4G4B4Format(), gray = GrayFormat(), single = SingleChannelFormat();
  ColorFormat source10 = PaletteFormat({0, 0, 0, 0, 0, 0x0A141E});
  ColorFormat dest9 = PaletteFormat({0xFFFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A141E});
  const ColorFormat keyed = PaletteFormat({0x00FF00FF, 0x00FF0000, 0xAB00FF00});
  const uint32_t u16 = Untouched(2), u24 = Untouched(3), white = 0xFFFFFFFF;

  const std::vector<RowCase> cases = {
      // Palette remap, and equal palettes falling through to the index copy.
      {"remap", source10, dest9, {5, 0}, Remap(), {9, 1}},
      {"remap equal palettes", dest9, dest9, {9, 4}, Remap(), {9, 4}, 9},
      // True colour into a palette, 5- and 6-bit channels scaled to 8 bits.
      {"quantize 565", r565, gray, {0xFFFF, 0x8410, 0}, {}, {255, 130, 0}},
      {"quantize xrgb", xrgb, gray, {0xAA808080}, {}, {128}},
      // Index copy reports the largest index; mirroring reverses it.
      {"index copy", gray, gray, {0, 3, 7}, {}, {0, 3, 7}, 7},
      {"index copy mirrored", gray, gray, {0, 3, 7}, Mirror(), {7, 3, 0}, 7},
      // Same layout.
      {"same layout mirrored", xrgb, xrgb, {1, 2, 3}, Mirror(), {3, 2, 1}},
      {"same layout 24-bit skip", rgb, rgb, {0x123456, 0xFF00FF, 0x00FF00}, Skip(0xAAFF00FF),
       {0x123456, u24, 0x00FF00}},
      {"same layout 16-bit skip", r565, r565, {0xF81F, 0x0001}, Skip(0xF81F), {u16, 0x0001}},
      {"skip ignored when mirrored", r565, r565, {0xF81F, 0x0001}, Skip(0xF81F, 1),
       {0x0001, 0xF81F}},
      // Opaque 32-bit into alpha 32-bit, skipping the transparent colour.
      {"xrgb to argb skip", xrgb, argb, {0x12FF00FF, 0x34123456}, Skip(0xFF00FF),
       {kUntouched, 0xFF123456}},
      // Key to alpha with equal colour masks.
      {"xrgb to argb key", xrgb, argb, {0x00FF00FF, 0xAB123456, 0x00FF00FE}, Key(0x00FF00FF),
       {0x00FF00FF, 0xFF123456, 0xFFFF00FE}},
      {"x555 key ignores the unused bit", x555, a555, {0xFC1F, 0x7C1F, 0x001F}, Key(0x00FF00FF),
       {0x7C1F, 0x7C1F, 0x801F}},
      {"key to alpha mirrored", xrgb, argb, {0x00FF00FF, 0x00123456}, Key(0xFF00FF, 1),
       {0xFF123456, 0x00FF00FF}},
      // Fixed pairs without key.
      {"palette to 565", PaletteFormat({0xFFFFFF}), r565, {0}, {}, {0xFFFF}},
      {"palette to x555", PaletteFormat({0xFF0000}), x555, {0}, {}, {0xFC00}},
      {"palette to xrgb", PaletteFormat({0x123456}), xrgb, {0}, {}, {0xFF123456}},
      {"rgb to 565", rgb, r565, {0x123456}, {}, {0x11AA}},
      {"rgb to x555", rgb, x555, {0x123456}, {}, {0x88CA}},
      {"rgb to xrgb", rgb, xrgb, {0x123456}, {}, {0xFF123456}},
      {"xrgb to 565", xrgb, r565, {0xAB123456}, {}, {0x11AA}},
      {"565 to rgb", r565, rgb, {0xFFFF}, {}, {0xF8FCF8}},
      {"565 to xrgb", r565, xrgb, {0xFFFF, 0x0821}, {}, {0x00F8FCF8, 0x00080408}},
      {"565 to x555", r565, x555, {0xFFFF, 0x0020}, {}, {0x7FFF, 0x0000}},
      {"x555 to 565", x555, r565, {0x03E0, 0x0020, 0x8000}, {}, {0x07E0, 0x0060, 0x0000}},
      // Fixed pairs with key; palette entries and 24-bit pixels are compared
      // on their colour, whatever their fourth byte holds.
      {"palette to a555 key", keyed, a555, {0, 1}, Key(0xFF00FF), {0x7C1F, 0xFC00}},
      {"palette to argb key", keyed, argb, {0, 1, 2}, Key(0x00FF00),
       {0xFFFF00FF, 0xFFFF0000, 0x0000FF00}},
      {"rgb to a555 key", rgb, a555, {0xFF00FF, 0x123456}, Key(0xFF00FF), {0x7C1F, 0x88CA}},
      {"rgb to argb key", rgb, argb, {0xFF00FF, 0x123456}, Key(0xFF00FF), {0x00FF00FF, 0xFF123456}},
      {"565 to a555 key", r565, a555, {0xF81F, 0xF83F, 0x001F}, Key(0xFF00FF),
       {0x7C1F, 0x7C1F, 0x801F}},
      {"565 to argb key", r565, argb, {0xF81F, 0xF83F, 0x001F}, Key(0xFF00FF),
       {0x00F800F8, 0x00F804F8, 0xFF0000F8}},
      // General conversion.
      {"565 to xrgb general", r565, xrgb, {0xFFFF, 0x8410}, Dither(1), {0xFFFFFFFF, 0xFF838183}},
      {"rgb to argb without key", rgb, argb, {0x123456}, {}, {0xFF123456}},
      {"xrgb to a444", xrgb, a444, {0x00FFFFFF, 0x00101010}, {}, {0xFFFF, 0xF111}},
      {"565 to a444 key", r565, a444, {0xF81F, 0x07E0}, Key(0xFF00FF), {0x0F0F, 0xF0F0}},
      {"palette to a444 key", keyed, a444, {0, 1}, Key(0xFF00FF), {0x0F0F, 0xFF00}},
      {"argb to 565 skip", argb, r565, {0xFF00FF00, 0x0000FF00}, Skip(0xFF00FF00), {u16, 0x07E0}},
      {"x555 skip ignores the unused bit", x555, rgb, {0xFC00, 0x001F}, Skip(0x7C00),
       {u24, 0x0000FF}},
      {"palette skip compares indices", gray, argb, {1, 2}, Skip(2), {0xFF010101, kUntouched}},
      {"argb to argb alpha only", argb, argb, {0x80123456}, AlphaOnly(), {0x80000000}},
      {"gray alpha from red", gray, argb, {0x40, 0xC8}, AlphaFromRed(0), {0x40404040, 0xC8C8C8C8}},
      {"argb to single channel", argb, single, {0x10203040, 0xFF7F0000}, AlphaFromRed(1),
       {0x20, 0x7F}},
      {"alpha image", xrgb, argb, {0x00123456, 0x00ABCDEF}, {}, {0x80123456, 0x00ABCDEF}, 0, &gray,
       {0x80, 0}},
      {"narrow alpha image", xrgb, argb, {0x00123456, 0x00ABCDEF}, {}, {0xFF123456, 0x88ABCDEF}, 0,
       &a444, {0x0F00, 0x0800}},
      {"source alpha wins over alpha image", argb, argb, {0x11123456}, {}, {0x11123456}, 0, &gray,
       {0x80}},
      {"general mirrored", argb, r565, {0xFFFF0000, 0xFF0000FF}, Mirror(), {0x001F, 0xF800}},
      // A dithered full channel stays full rather than wrapping to 0.
      {"white stays white ordered", argb, r565, {white, white}, Dither(1), {0xFFFF, 0xFFFF}},
      {"white stays white running", argb, r565, {white, white}, Dither(2), {0xFFFF, 0xFFFF}},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.name);
    int result = -99;
    std::vector<uint32_t> row = ConvertRow(c, &result);
    EXPECT_EQ(result, c.result);
    ASSERT_EQ(row.size(), c.expected.size());
    for (size_t i = 0; i < row.size(); ++i) {
      EXPECT_EQ(row[i], c.expected[i]) << "pixel " << i << std::hex << " got 0x" << row[i];
    }
  }
}

TEST(ConvertFormatBltTest, EmptyRectangleIsAnErrorAndNegativeCopiesNothing) {
  const ColorFormat xrgb = X8R8G8B8Format();
  PixelBuffer source(4, 4, 4), dest(4, 4, 4);
  source.Fill(1);
  const IntRect rects[] = {{1, 1, 1, 3}, {1, 1, 3, 1}, {3, 0, 1, 2}, {0, 3, 2, 1}};
  const int results[] = {-1, -1, 0, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Blt(dest, xrgb, source, xrgb, rects[i]), results[i]);
  }
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.Get(x, y), 0u);
  }
}

TEST(ConvertFormatBltTest, CompressedFormatsAreRefused) {
  ColorFormat dxt = A8R8G8B8Format();
  dxt.compression = kCompressionDxt1;
  const ColorFormat argb = A8R8G8B8Format();
  PixelBuffer source(4, 4, 4), dest(4, 4, 4);
  const IntRect rect{0, 0, 4, 4};
  EXPECT_EQ(Blt(dest, argb, source, dxt, rect), -1);
  EXPECT_EQ(Blt(source, dxt, dest, argb, rect), -1);
}

TEST(ConvertFormatBltTest, RectangleAndDestinationPointSelectThePixels) {
  const ColorFormat rgb = R8G8B8Format(), xrgb = X8R8G8B8Format();
  PixelBuffer source(4, 3, 3, 16), dest(5, 3, 4, 24);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) source.Set(x, y, x + 16 * y);
  }
  const IntRect rect{1, 1, 3, 3};
  ASSERT_EQ(Blt(dest, xrgb, source, rgb, rect, {}, 2, 0), 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      bool inside = x >= 2 && x < 4 && y < 2;
      uint32_t expected = inside ? 0xFF000000u | (x - 1 + 16 * (y + 1)) : 0u;
      EXPECT_EQ(dest.Get(x, y), expected) << x << "," << y;
    }
  }
}

// The fixed pair moves each channel to the top of its byte and leaves the top
// byte 0; the general path scales to full range and sets the unused byte.
TEST(ConvertFormatBltTest, FixedPairAndGeneralPathDifferAsDocumentedForEvery565Value) {
  const ColorFormat r565 = R5G6B5Format(), xrgb = X8R8G8B8Format();
  PixelBuffer source(256, 256, 2), fixed(256, 256, 4), general(256, 256, 4);
  for (uint32_t v = 0; v < 65536; ++v) source.Set(v % 256, v / 256, v);
  const IntRect rect{0, 0, 256, 256};
  ASSERT_EQ(Blt(fixed, xrgb, source, r565, rect), 0);
  ASSERT_EQ(Blt(general, xrgb, source, r565, rect, Dither(1)), 0);
  for (uint32_t v = 0; v < 65536; ++v) {
    const uint32_t r = v >> 11, g = (v >> 5) & 0x3F, b = v & 0x1F;
    const uint32_t top = (r << 3) << 16 | (g << 2) << 8 | (b << 3);
    const uint32_t full = 0xFF000000u | (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
    ASSERT_EQ(fixed.Get(v % 256, v / 256), top) << v;
    ASSERT_EQ(general.Get(v % 256, v / 256), full) << v;
  }
  EXPECT_EQ(fixed.Get(255, 255), 0x00F8FCF8u);
  EXPECT_EQ(general.Get(255, 255), 0xFFFFFFFFu);
}

TEST(ConvertFormatBltTest, OrderedDitherUsesTheFourByFourMatrix) {
  // Red 4 bits narrower: a dropped value d raises red where d exceeds the
  // matrix entry of the position.
  const uint8_t matrix[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  const ColorFormat argb = A8R8G8B8Format(), x444 = MaskFormat(16, 0x0F00, 0x00F0, 0x000F, 0);
  for (uint32_t dropped = 0; dropped < 16; ++dropped) {
    SCOPED_TRACE(dropped);
    PixelBuffer source(4, 4, 4), dest(4, 4, 2);
    source.Fill(0xFF000000u | (0x80u + dropped) << 16);
    const IntRect rect{0, 0, 4, 4};
    ASSERT_EQ(Blt(dest, x444, source, argb, rect, Dither(1)), 0);
    for (int i = 0; i < 16; ++i) {
      uint32_t red = (dest.Get(i % 4, i / 4) >> 8) & 0xF;
      EXPECT_EQ(red, dropped > matrix[i] ? 9u : 8u) << "position " << i;
    }
  }
}

TEST(ConvertFormatBltTest, OrderedDitherOfAThreeBitDrop) {
  // Dropped red bits 4 against thresholds 0 4 1 5 / 6 2 7 3 / 1 5 0 4 / 7 3 6 2.
  const bool raised[16] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
  const ColorFormat argb = A8R8G8B8Format(), r565 = R5G6B5Format();
  PixelBuffer source(4, 4, 4), dest(4, 4, 2);
  source.Fill(0xFF840000);
  const IntRect rect{0, 0, 4, 4};
  ASSERT_EQ(Blt(dest, r565, source, argb, rect, Dither(1)), 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(dest.Get(i % 4, i / 4) >> 11, raised[i] ? 17u : 16u) << i;
}

TEST(ConvertFormatBltTest, RunningRemainderLastsAcrossRows) {
  const ColorFormat argb = A8R8G8B8Format(), r565 = R5G6B5Format();
  PixelBuffer source(2, 2, 4), dest(2, 2, 2);
  source.Fill(0xFF830000);  // 3 dropped bits of red per pixel
  const IntRect rect{0, 0, 2, 2};
  ASSERT_EQ(Blt(dest, r565, source, argb, rect, Dither(2)), 0);
  // Remainders 3, 6, then 9 raises (keeping 1), then 4.
  EXPECT_EQ(dest.Get(0, 0) >> 11, 16u);
  EXPECT_EQ(dest.Get(1, 0) >> 11, 16u);
  EXPECT_EQ(dest.Get(0, 1) >> 11, 17u);
  EXPECT_EQ(dest.Get(1, 1) >> 11, 16u);
}

}  // namespace

// A damaged file can give a channel mask with holes; such a channel is read
// by its lowest run of bits (the width it counts), so a value never exceeds
// the width the conversion was sized for. Red 0x0F03 has the run 0x0003 (two
// bits at shift 0): 0x0F02 reads as 2 of 3, which widens to 2 * 255 / 3 = 170.
TEST(ConvertFormatBltTest, MaskWithHolesIsReadByItsLowestRun) {
  ColorFormat source{};
  ASSERT_EQ(SetColorFormatFromMasks(&source, 16, 0x0F03, 0x00F0, 0x0000, 0), 0);
  ASSERT_EQ(source.redWidth, 2);
  ColorFormat dest{};
  SetColorFormatXRGB8(&dest);
  PixelBuffer from(1, 1, 2), to(1, 1, 4);
  from.Set(0, 0, 0x0F02);
  const IntRect rect{0, 0, 1, 1};
  ASSERT_EQ(Blt(to, dest, from, source, rect, Dither(0)), 0);
  EXPECT_EQ(to.Get(0, 0) & 0x00FF0000u, 170u << 16);
}
