#include "software_renderer/blend_tables.h"

#include <gtest/gtest.h>

namespace {

TEST(BlendTablesTest, FixedTablesHoldTheirValues) {
  ASSERT_EQ(0, InitSoftImgBlendTables());
  struct Entry { int row, index, value; };
  for (const Entry e : {Entry{255, 255, 255}, Entry{255, 128, 128}, Entry{128, 255, 128},
                        Entry{254, 1, 0}, Entry{100, 100, 39}}) {
    EXPECT_EQ(e.value, BlendScaleTable[e.row][e.index]) << e.row << "," << e.index;
  }
  for (const Entry e : {Entry{128, -255, -128}, Entry{128, -254, -127}, Entry{128, -1, 0},
                        Entry{128, 0, 0}, Entry{128, 1, 0}, Entry{128, 2, 1}, Entry{128, 255, 128},
                        Entry{1, -255, -1}, Entry{1, -254, 0}, Entry{1, 254, 0}, Entry{1, 255, 1}}) {
    EXPECT_EQ(e.value, BlendDiffTable[e.row][256 + e.index]) << e.row << "," << e.index;
  }
  for (int d = -255; d <= 255; ++d) {
    EXPECT_EQ(d, BlendDiffTable[255][256 + d]);
    EXPECT_EQ(0, BlendDiffTable[0][256 + d]);
  }
  EXPECT_EQ(0, BlendDiffTable[77][0]);
  struct Mix { int a, i, j, value; };
  for (const Mix m : {Mix{0, 10, 20, 20}, Mix{63, 10, 20, 10}, Mix{32, 63, 0, 32},
                      Mix{31, 63, 0, 31}, Mix{1, 63, 0, 1}, Mix{62, 0, 63, 1}}) {
    EXPECT_EQ(m.value, BlendLerp6Table[m.a][m.i][m.j]) << m.a << "," << m.i << "," << m.j;
  }
}

TEST(BlendTablesTest, BlendGraphWeightsFollowBorderSettings) {
  auto expect = [](int param, int range, auto rule) {
    MakeBlendGraphWeightTable(param, range);
    for (int g = 0; g < 256; ++g) EXPECT_EQ(rule(g), BlendGraphWeightTable[g]) << param << "," << range << " g " << g;
  };
  expect(0, 0, [](int) { return 255; });
  expect(0, 255, [](int) { return 255; });
  expect(128, 0, [](int g) { return g < 128 ? 0 : g == 128 ? 128 : 255; });
  expect(255, 0, [](int g) { return g < 255 ? 0 : 1; });
  expect(255, 255, [](int g) { return g < 255 ? 0 : 1; });
  expect(128, 255, [](int g) { return g; });
  MakeBlendGraphWeightTable(64, 63);
  for (int g = 0; g <= 16; ++g) EXPECT_EQ(0, BlendGraphWeightTable[g]);
  EXPECT_EQ(188, BlendGraphWeightTable[63]);
  EXPECT_EQ(192, BlendGraphWeightTable[64]);
  for (int g = 80; g < 256; ++g) EXPECT_EQ(255, BlendGraphWeightTable[g]);
}

}  // namespace
