#include <gtest/gtest.h>

#include "Ombrel.h"
#include "graphics/screen_settings.h"

namespace {

// Made during static initialisation, as the game makes its colour constants.
const ColorCode kGoldBeforeStartUp = ComposeColorCode(255, 201, 10);

class ColorCodeTest : public ::testing::Test {
 protected:
  void TearDown() override { GetScreenSettings().colorBits = 0; }
  static void UseScreenBits(int bits) { GetScreenSettings().colorBits = bits; }
};

TEST_F(ColorCodeTest, CodesMadeBeforeStartUpAreOpaque32Bit) {
  EXPECT_EQ(kGoldBeforeStartUp, 0xFFFFC90Au);
  EXPECT_EQ(ComposeColorCode(255, 201, 10), 0xFFFFC90Au);
}

TEST_F(ColorCodeTest, ComposeFollowsTheScreenBits) {
  struct Case {
    int bits, r, g, b;
    ColorCode expected;
  };
  const Case cases[] = {
      {16, 255, 255, 255, 0xFFFF},   {16, 8, 4, 8, 0x0821},       {16, 7, 3, 7, 0x0000},
      {32, 0x12, 0x34, 0x56, 0xFF123456}, {24, 1, 2, 3, 0xFF010203}, {8, 1, 2, 3, 0xFF010203},
      {0, 256, 0, 0, 0xFF000000},    {32, 300, 0, 0, 0xFF2C0000}, {16, 256, 0, 0, 0x0000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    UseScreenBits(c.bits);
    EXPECT_EQ(ComposeColorCode(c.r, c.g, c.b), c.expected);
  }
}

TEST_F(ColorCodeTest, SplitScalesBackTo8Bits) {
  UseScreenBits(16);
  int r, g, b;
  EXPECT_EQ(SplitColorCode(0xFFFF, &r, &g, &b), 0);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 255);
  SplitColorCode(0x8000 | 0x0400 | 0x0010, &r, &g, &b);
  EXPECT_EQ(r, 131);
  EXPECT_EQ(g, 129);
  EXPECT_EQ(b, 131);
}

TEST_F(ColorCodeTest, SplitOf32BitCodesGivesEveryValueBack) {
  UseScreenBits(32);
  for (int v = 0; v < 256; ++v) {
    int r, g, b;
    SplitColorCode(ComposeColorCode(v, 255 - v, (v * 7) & 0xFF), &r, &g, &b);
    ASSERT_EQ(r, v);
    ASSERT_EQ(g, 255 - v);
    ASSERT_EQ(b, (v * 7) & 0xFF);
  }
}

TEST_F(ColorCodeTest, MakeFloatColorStoresInOrder) {
  FloatColor c;
  EXPECT_EQ(MakeFloatColor(&c, 0.1f, 0.2f, 0.3f, 0.4f), &c);
  EXPECT_FLOAT_EQ(c.red, 0.1f);
  EXPECT_FLOAT_EQ(c.green, 0.2f);
  EXPECT_FLOAT_EQ(c.blue, 0.3f);
  EXPECT_FLOAT_EQ(c.alpha, 0.4f);
}

}  // namespace
