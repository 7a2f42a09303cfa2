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

TEST(YuvToRgbTest, ConvertsOtherLayoutsPerPixelWithChromaAtHalfPosition) {
  // Full-size chroma: pixel (x, y) takes chroma from (x / 2, y / 2).
  const uint8_t y[8] = {100, 100, 100, 100, 100, 100, 100, 100};
  const uint8_t u[8] = {150, 128, 0, 0, 0, 0, 0, 0};
  const uint8_t v[8] = {110, 128, 0, 0, 0, 0, 0, 0};
  const YuvPlanes planes{y, u, v, 4, 2, 4, 4, 2, 4};
  ASSERT_FALSE(IsYuv420(planes));
  std::vector<uint8_t> out(2 * 16);
  ConvertYuvToXrgb(planes, out.data(), 16, 4, 2);
  EXPECT_EQ(PixelAt(out, 16, 0, 0), (Bgr{142, 103, 69}));
  EXPECT_EQ(PixelAt(out, 16, 1, 1), (Bgr{142, 103, 69}));
  EXPECT_EQ(PixelAt(out, 16, 3, 1), (Bgr{97, 97, 97}));  // chroma from (1, 0)
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
