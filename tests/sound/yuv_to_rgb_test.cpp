#include "sound/yuv_to_rgb.h"

#include <stdint.h>

#include <vector>

#include <gtest/gtest.h>

namespace {

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Bgr& c) {
  return out << "(" << c.b << ", " << c.g << ", " << c.r << ")";
}

Bgr PixelAt(const std::vector<uint8_t>& image, int pitch, int x, int y) {
  const uint8_t* p = &image[y * pitch + x * 4];
  EXPECT_EQ(p[3], 255);
  return {p[0], p[1], p[2]};
}

TEST(YuvToRgbTest, ConvertsFlatColoursWithTheIntegerTables) {
  InitYUVToRGBTables();
  const struct {
    uint8_t y, u, v;
    Bgr expected;
  } cases[] = {
      {16, 128, 128, {0, 0, 0}},
      {235, 128, 128, {254, 254, 254}},
      {81, 90, 240, {0, 0, 254}},      // sums just below zero truncate to 0
      {145, 54, 34, {0, 255, 0}},      // and above 255 clamp
      {100, 150, 110, {142, 103, 69}},
      {0, 0, 0, {0, 135, 0}},
      {255, 255, 255, {255, 125, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.y) << " " << int(c.u) << " " << int(c.v));
    const uint8_t y[4] = {c.y, c.y, c.y, c.y};
    const YuvPlanes planes{y, &c.u, &c.v, 2, 2, 2, 1, 1, 1};
    std::vector<uint8_t> out(2 * 8);
    ConvertYuvToXrgb(planes, out.data(), 8, 2, 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(PixelAt(out, 8, i % 2, i / 2), c.expected);
  }
}

TEST(YuvToRgbTest, SharesChromaOverEachTwoByTwoBlockAndKeepsOddEdges) {
  // 3 x 3 luma with 2 x 2 chroma is not exactly half: the float path.
  // 4 x 2 luma with 2 x 1 chroma is: the table path, two blocks.
  const uint8_t y[8] = {16, 235, 16, 235, 235, 16, 235, 16};
  const uint8_t u[2] = {128, 150};
  const uint8_t v[2] = {128, 110};
  const YuvPlanes planes{y, u, v, 4, 2, 4, 2, 1, 2};
  ASSERT_TRUE(IsYuv420(planes));
  std::vector<uint8_t> out(2 * 16, 0);
  ConvertYuvToXrgb(planes, out.data(), 16, 3, 2);  // odd width: the last pair is cut
  EXPECT_EQ(PixelAt(out, 16, 0, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(out, 16, 1, 0), (Bgr{254, 254, 254}));
  EXPECT_EQ(PixelAt(out, 16, 0, 1), (Bgr{254, 254, 254}));
  // (16 - 16) * 1.164 + chroma of the second block.
  EXPECT_EQ(PixelAt(out, 16, 2, 0), (Bgr{44, 6, 0}));
  EXPECT_EQ(out[12 + 3 + 0], 0);  // x 3 untouched
}

TEST(YuvToRgbTest, ConvertsOtherLayoutsPerPixelWithChromaOfTheirOwnSubsampling) {
  // A 4 x 2 frame of flat luma; each chroma sample is a different colour, so
  // a pixel shows which sample it took. 4:4:4 takes (x, y), 4:2:2 (x / 2, y).
  const uint8_t y[8] = {100, 100, 100, 100, 100, 100, 100, 100};
  const uint8_t chromaU[8] = {150, 128, 90, 200, 60, 128, 170, 30};
  const uint8_t chromaV[8] = {110, 128, 240, 60, 90, 128, 20, 200};
  auto colour = [&](int sample) {
    const double luma = (100 - 16) * 1.164;
    const int u = chromaU[sample] - 128, v = chromaV[sample] - 128;
    auto channel = [](double value) {
      const int t = static_cast<int>(value);
      return t < 0 ? 0 : t > 255 ? 255 : t;
    };
    return Bgr{channel(luma + 2.018 * u), channel(luma - 0.391 * u - 0.813 * v),
               channel(luma + 1.596 * v)};
  };
  const struct {
    const char* name;
    int chromaWidth, chromaHeight;
    int sampleOf[8];  // per pixel, row by row: the chroma sample it shows
  } cases[] = {
      {"4:4:4", 4, 2, {0, 1, 2, 3, 4, 5, 6, 7}},
      {"4:2:2", 2, 2, {0, 0, 1, 1, 2, 2, 3, 3}},
  };
  EXPECT_EQ(colour(0), (Bgr{142, 103, 69}));  // the worked example of the flat-colour test
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const YuvPlanes planes{y, chromaU, chromaV, 4, 2, 4, c.chromaWidth, c.chromaHeight,
                           c.chromaWidth};
    ASSERT_FALSE(IsYuv420(planes));
    std::vector<uint8_t> out(2 * 16);
    ConvertYuvToXrgb(planes, out.data(), 16, 4, 2);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(PixelAt(out, 16, i % 4, i / 4), colour(c.sampleOf[i])) << "pixel " << i;
    }
  }
}

TEST(YuvToRgbTest, ConvertsAndPacksThePictureRegionAtItsOffsets) {
  // A 6 x 4 frame, 4:2:0; the picture is the 2 x 2 region at (2, 2).
  uint8_t y[24];
  for (int i = 0; i < 24; ++i) y[i] = static_cast<uint8_t>(16 + i);
  const uint8_t u[6] = {128, 128, 128, 128, 150, 128};
  const uint8_t v[6] = {128, 128, 128, 128, 110, 128};
  const YuvPlanes planes{y, u, v, 6, 4, 6, 3, 2, 3};
  std::vector<uint8_t> region(2 * 8), whole(4 * 24);
  ConvertYuvRegionToXrgb(planes, 2, 2, region.data(), 8, 2, 2);
  ConvertYuvToXrgb(planes, whole.data(), 24, 6, 4);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(PixelAt(region, 8, x, row), PixelAt(whole, 24, 2 + x, 2 + row));
    }
  }
  // Chroma of the region is sample (1, 1): u 150, v 110.
  EXPECT_NE(PixelAt(region, 8, 0, 0).b, PixelAt(region, 8, 0, 0).r);
  std::vector<uint8_t> packed(8, 0);
  ASSERT_TRUE(PackYuvRegionToSurface(planes, 2, 2, kFourCCYUY2, packed.data(), 4, 2, 2));
  EXPECT_EQ(packed, (std::vector<uint8_t>{30, 150, 31, 110, 36, 150, 37, 110}));
  EXPECT_FALSE(PackYuvRegionToSurface(planes, 1, 2, kFourCCYUY2, packed.data(), 4, 2, 2));
}

TEST(YuvToRgbTest, PacksFramesIntoEachSurfaceLayout) {
  const uint8_t y[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const uint8_t u[2] = {100, 101};
  const uint8_t v[2] = {200, 201};
  const YuvPlanes planes{y, u, v, 4, 2, 4, 2, 1, 2};
  const struct {
    const char* name;
    uint32_t fourCC;
    int pitch;
    std::vector<uint8_t> expected;
  } cases[] = {
      {"YUY2", kFourCCYUY2, 8, {1, 100, 2, 200, 3, 101, 4, 201, 5, 100, 6, 200, 7, 101, 8, 201}},
      {"UYVY", kFourCCUYVY, 8, {100, 1, 200, 2, 101, 3, 201, 4, 100, 5, 200, 6, 101, 7, 201, 8}},
      // Y rows at the pitch, then V and U rows at half of it.
      {"YV12", kFourCCYV12, 6, {1, 2, 3, 4, 0, 0, 5, 6, 7, 8, 0, 0, 200, 201, 0, 100, 101, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> surface(c.expected.size(), 0);
    EXPECT_TRUE(PackYuvToSurface(planes, c.fourCC, surface.data(), c.pitch, 4, 2));
    EXPECT_EQ(surface, c.expected);
  }
  std::vector<uint8_t> surface(32, 0);
  EXPECT_FALSE(PackYuvToSurface(planes, 0x34325258, surface.data(), 8, 4, 2));
  const YuvPlanes full{y, y, y, 4, 2, 4, 4, 2, 4};
  EXPECT_FALSE(PackYuvToSurface(full, kFourCCYUY2, surface.data(), 8, 4, 2));
  EXPECT_EQ(surface, std::vector<uint8_t>(32, 0));
}

}  // namespace
