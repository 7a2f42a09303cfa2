#include "graphics/layered_pixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/pixel_formats.h"

namespace {

struct Case {
  const char* name;
  ColorFormat format;
  int bytes;
  uint32_t pixel;
  int useAlpha;
  int perPixelAlpha;
  uint32_t want;
};

TEST(LayeredPixelsTest, EachLayoutBecomesPremultipliedArgbWithHoles) {
  const uint32_t trans = 0x00FF00FF;
  const Case cases[] = {
      {"alpha 128 on red 200", A8R8G8B8Format(), 4, 0x80C80000, 1, 1, 0x80640000},
      {"alpha 255 copied", A8R8G8B8Format(), 4, 0xFF123456, 1, 1, 0xFF123456},
      {"alpha 0 is a hole", A8R8G8B8Format(), 4, 0x00123456, 1, 1, 0},
      {"transparent colour with alpha", A8R8G8B8Format(), 4, 0xFFFF00FF, 1, 0, 0},
      {"16-bit with alpha converted", R5G6B5Format(), 2, 0xFFFF, 1, 1, 0xFFFFFFFF},
      {"XRGB opaque", X8R8G8B8Format(), 4, 0x00102030, 0, 1, 0xFF102030},
      {"XRGB transparent", X8R8G8B8Format(), 4, 0x77FF00FF, 0, 1, 0},
      {"R5G6B5 opaque", R5G6B5Format(), 2, 0x8410, 0, 1, 0xFF808080},
      {"R5G6B5 transparent", R5G6B5Format(), 2, 0xF81F, 0, 1, 0},
      {"colour key on older systems", X8R8G8B8Format(), 4, 0x00102030, 0, 0, 0x00102030},
  };
  for (const Case& c : cases) {
    PixelBuffer source(1, 1, c.bytes);
    source.Set(0, 0, c.pixel);
    GraphImage image = {};
    image.format = c.format;
    image.width = 1;
    image.height = 1;
    image.pitch = source.pitch;
    image.pixels = source.data();
    std::vector<uint8_t> dest(8, 0xCD);
    FillLayeredPixels(dest.data(), 4, image, trans, c.useAlpha, c.perPixelAlpha);
    uint32_t got;
    std::memcpy(&got, dest.data(), 4);
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_EQ(dest[4], 0xCD) << c.name;
  }
}

TEST(LayeredPixelsTest, RowsFollowTheBitmapPitch) {
  PixelBuffer source(2, 2, 4, 12);
  source.Set(0, 0, 0x010203);
  source.Set(1, 0, 0x040506);
  source.Set(0, 1, 0x070809);
  source.Set(1, 1, 0x0A0B0C);
  GraphImage image = {};
  image.format = X8R8G8B8Format();
  image.width = 2;
  image.height = 2;
  image.pitch = 12;
  image.pixels = source.data();
  std::vector<uint32_t> dest(6, 0xDEADBEEF);
  FillLayeredPixels(reinterpret_cast<uint8_t*>(dest.data()), 12, image, 0, 0, 1);
  EXPECT_EQ(dest[0], 0xFF010203u);
  EXPECT_EQ(dest[1], 0xFF040506u);
  EXPECT_EQ(dest[2], 0xDEADBEEFu);
  EXPECT_EQ(dest[3], 0xFF070809u);
  EXPECT_EQ(dest[4], 0xFF0A0B0Cu);
}

}  // namespace
