#include "software_renderer/soft_image_convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Image {
  GraphImage image{};
  ~Image() { FreeGraphImage(&image); }
  void Set(int x, int y, uint32_t v) {
    std::memcpy(static_cast<uint8_t*>(image.pixels) + y * image.pitch + x * image.format.bytesPerPixel,
                &v, image.format.bytesPerPixel);
  }
};

struct Soft {
  SOFTIMG view{};
  ~Soft() { ReleaseSoftImg(&view); }
};

std::vector<uint8_t> RunRow(const SOFTIMG& view, size_t count) {
  return std::vector<uint8_t>(view.body->runTable, view.body->runTable + count);
}

TEST(SoftImageConvertTest, RunTableCodesEachRow) {
  struct Case {
    int width;
    std::vector<uint32_t> alphas;  // per pixel, repeated to the width
    std::vector<int> counts;       // pixels per alpha in order
    std::vector<uint8_t> codes;
  };
  const Case cases[] = {
      {100, {0, 255}, {30, 70}, {0x1D, 0x7F, 0x45, 0xC0}},
      {3, {0, 128, 255}, {1, 1, 1}, {0x00, 0x80, 0x40, 0xC0}},
      {1, {255}, {1}, {0x40, 0xC0}},
  };
  for (const Case& c : cases) {
    Image src;
    ASSERT_EQ(0, AllocGraphImageARGB8(c.width, 2, &src.image));
    for (int y = 0; y < 2; ++y) {
      int x = 0;
      for (size_t i = 0; i < c.alphas.size(); ++i) {
        for (int n = 0; n < c.counts[i]; ++n) src.Set(x++, y, c.alphas[i] << 24 | 0x123456);
      }
    }
    Soft dest;
    ASSERT_EQ(0, CreateSoftImg(&dest.view, c.width, 2, -1, 0, 1, 0, 1, 1, nullptr));
    EXPECT_GE(ConvertGraphImageToSoftImg(&src.image, nullptr, &dest.view, 0, 0, c.width, 2, 0, 0, 0), 0);
    EXPECT_EQ(1, dest.view.body->runTableValid);
    std::vector<uint8_t> both = c.codes;
    both.insert(both.end(), c.codes.begin(), c.codes.end());
    EXPECT_EQ(both, RunRow(dest.view, both.size())) << c.width;
  }
}

TEST(SoftImageConvertTest, PalettisedImagesTakeTheirPaletteAndCount) {
  Image src;
  ColorFormat format{};
  SetColorFormatPalette8(&format);
  format.palette[3] = ColorPaletteEntry{0x20, 0x40, 0x80, 0x99};
  format.palette[4] = ColorPaletteEntry{0xFF, 0xFF, 0xFF, 0};
  ASSERT_EQ(0, AllocGraphImage(130, 1, &format, &src.image));
  for (int x = 0; x < 130; ++x) src.Set(x, 0, x % 38);
  for (int type : {0, 1}) {
    Soft dest;
    ASSERT_EQ(0, CreateSoftImg(&dest.view, 130, 1, -1, 0xFFFF, type, 1, 0, 1, nullptr));
    EXPECT_EQ(37, ConvertGraphImageToSoftImg(&src.image, nullptr, &dest.view, 0, 0, 130, 1, 0, 0, 0));
    const SoftImgBody* b = dest.view.body;
    EXPECT_EQ(38, b->paletteCount);
    EXPECT_EQ((std::vector<uint8_t>{0x7F, 0x7F, 0x41, 0xC0}), RunRow(dest.view, 4));
    if (type == 0) {
      uint16_t e3, e4;
      std::memcpy(&e3, b->paletteBlock + 6, 2);
      std::memcpy(&e4, b->paletteBlock + 8, 2);
      EXPECT_EQ(0x8204, e3);
      EXPECT_EQ(0xFFFF, e4);
    } else {
      uint32_t e3;
      std::memcpy(&e3, b->paletteBlock + 12, 4);
      EXPECT_EQ(0x00804020u, e3);
    }
    EXPECT_EQ(0, std::memcmp(b->paletteBlock, b->paletteCopy, type ? 1024 : 512));
  }
}

TEST(SoftImageConvertTest, PremultipliedCopyScalesByAlpha) {
  // Type 1: alpha 128, red 255, green 128, blue 64.
  Image argb;
  ASSERT_EQ(0, AllocGraphImageARGB8(1, 1, &argb.image));
  argb.Set(0, 0, 0x80FF8040);
  Soft wide;
  ASSERT_EQ(0, CreateSoftImg(&wide.view, 1, 1, -1, 0, 1, 0, 1, 1, nullptr));
  ASSERT_GE(ConvertGraphImageToSoftImg(&argb.image, nullptr, &wide.view, 0, 0, 1, 1, 0, 0, 0), 0);
  uint32_t v;
  std::memcpy(&v, wide.view.premultipliedPixels, 4);
  EXPECT_EQ(0x807F4020u, v);
  EXPECT_EQ(1, wide.view.body->premultipliedValid);

  // Type 0: red 31, green 63, blue 31, alpha 128, in the layout with alpha.
  Image rgb16;
  ColorFormat format{};
  SetColorFormatFromMasks(&format, 32, 0xF800, 0x07E0, 0x001F, 0x00FF0000);
  ASSERT_EQ(0, AllocGraphImage(1, 1, &format, &rgb16.image));
  rgb16.Set(0, 0, 0x0080FFFF);
  Soft narrow;
  ASSERT_EQ(0, CreateSoftImg(&narrow.view, 1, 1, -1, 0, 0, 0, 1, 1, nullptr));
  ASSERT_GE(ConvertGraphImageToSoftImg(&rgb16.image, nullptr, &narrow.view, 0, 0, 1, 1, 0, 0, 0), 0);
  std::memcpy(&v, narrow.view.premultipliedPixels, 4);
  EXPECT_EQ(0x00800000u | 15u << 11 | 31u << 5 | 15u, v);
}

TEST(SoftImageConvertTest, PartialOrSingleChannelTransfersBuildNothing) {
  Image src;
  ASSERT_EQ(0, AllocGraphImageARGB8(4, 4, &src.image));
  std::memset(src.image.pixels, 0xFF, static_cast<size_t>(src.image.pitch) * 4);
  Soft dest;
  ASSERT_EQ(0, CreateSoftImg(&dest.view, 4, 4, -1, 0, 1, 0, 1, 1, nullptr));
  ASSERT_GE(ConvertGraphImageToSoftImg(&src.image, nullptr, &dest.view, 0, 0, 4, 4, 0, 0, 0), 0);
  EXPECT_EQ(1, dest.view.body->runTableValid);
  ASSERT_GE(ConvertGraphImageToSoftImg(&src.image, nullptr, &dest.view, 0, 0, 2, 4, 0, 0, 0), 0);
  EXPECT_EQ(0, dest.view.body->runTableValid);
  EXPECT_EQ(0, dest.view.body->premultipliedValid);

  Soft graph;
  ASSERT_EQ(0, CreateSoftImg(&graph.view, 4, 4, -1, 0, 2, 0, 0, 1, nullptr));
  ASSERT_GE(ConvertGraphImageToSoftImg(&src.image, nullptr, &graph.view, 0, 0, 4, 4, 0, 0, 0), 0);
  EXPECT_EQ(0, graph.view.body->runTableValid);
  EXPECT_EQ(0xFF, graph.view.pixels[0]);  // alpha from red
}

TEST(SoftImageConvertTest, FailuresAreReportedAndTouchNothing) {
  Image src;
  ASSERT_EQ(0, AllocGraphImageARGB8(4, 4, &src.image));
  std::memset(src.image.pixels, 0x11, static_cast<size_t>(src.image.pitch) * 4);
  struct Case { int type, x, y, width, height, destX, destY; };
  for (const Case c : {Case{2, 0, 0, 0, 4, 0, 0}, Case{1, 0, 0, 0, 4, 0, 0}, Case{1, 2, 0, 3, 4, 0, 0},
                       Case{1, 0, 0, 4, 4, 1, 0}, Case{2, -1, 0, 2, 2, 0, 0}, Case{0, 0, 0, 2, 2, 3, 3}}) {
    Soft dest;
    ASSERT_EQ(0, CreateSoftImg(&dest.view, 4, 4, -1, 0, c.type, 0, 0, 0, nullptr));
    std::memset(dest.view.pixels, 0x5A, static_cast<size_t>(dest.view.body->pitch) * 4);
    dest.view.body->runTableValid = 1;  // a failure keeps the old flags
    EXPECT_LT(ConvertGraphImageToSoftImg(&src.image, nullptr, &dest.view, c.x, c.y, c.width, c.height,
                                         c.destX, c.destY, 0), 0) << c.type << " " << c.width;
    EXPECT_EQ(1, dest.view.body->runTableValid);
    for (int i = 0; i < dest.view.body->pitch * 4; ++i) ASSERT_EQ(0x5A, dest.view.pixels[i]);
  }
}

}  // namespace
