#include "direct3d9/max_brightness.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(MaxBrightnessTest, ColoursAtFullBrightness) {
  const struct {
    int r, g, b;
    int outR, outG, outB;
  } cases[] = {
      {0, 0, 0, 255, 255, 255},     {100, 100, 100, 255, 255, 255}, {200, 100, 50, 255, 128, 64},
      {255, 0, 0, 255, 0, 0},       {128, 0, 0, 255, 0, 0},         {300, 0, 0, 255, 0, 0},
      {50, 100, 200, 64, 128, 255}, {10, 200, 200, 13, 255, 255},   {200, 10, 10, 255, 13, 13},
  };
  for (const auto& c : cases) {
    uint8_t r, g, b;
    ComputeMaxBrightnessColor(c.r, c.g, c.b, &r, &g, &b);
    EXPECT_EQ(r, c.outR) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(g, c.outG) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(b, c.outB) << c.r << "," << c.g << "," << c.b;
  }
}

TEST(MaxBrightnessTest, TableTexelsAndTheWhiteCorner) {
  const int n = kMaxBrightnessSize;
  std::vector<uint8_t> table(static_cast<size_t>(n) * n * n * 4);
  FillMaxBrightnessTable(table.data(), n * 4, n * n * 4);
  auto texel = [&](int x, int y, int z) { return &table[((z * n + y) * n + x) * 4]; };
  const uint8_t* corner = texel(3, 5, 7);
  EXPECT_EQ(corner[0], 255);
  EXPECT_EQ(corner[1], 255);
  EXPECT_EQ(corner[2], 255);
  const uint8_t* red = texel(8, 0, 0);
  EXPECT_EQ(red[2], 255);  // red
  EXPECT_EQ(red[1], 0);
  EXPECT_EQ(red[0], 0);
  EXPECT_EQ(red[3], 255);
  uint8_t r, g, b;
  ComputeMaxBrightnessColor(2 * 100, 2 * 50, 2 * 25, &r, &g, &b);
  const uint8_t* mixed = texel(100, 50, 25);
  EXPECT_EQ(mixed[2], r);
  EXPECT_EQ(mixed[1], g);
  EXPECT_EQ(mixed[0], b);
}

}  // namespace
