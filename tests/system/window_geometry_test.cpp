#include "system/window_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowGeometryTest, StylesByNumberWithLayeredAndVisibleBits) {
  struct Case {
    int number;
    int layered;
    int visible;
    uint32_t style;
    uint32_t exStyle;
  };
  const Case cases[] = {
      {0, 0, 0, 0x80CA0000, 0x300},
      {0, 1, 1, 0x90CA0000, 0x80300},
      {2, 0, 0, 0x80080000, 0x0},
      {8, 0, 1, 0x91CB0000, 0x300},
      {10, 0, 0, 0x0, 0x0},
      {11, 0, 0, 0x80CA0000, 0x300},  // out of range: the default style
  };
  for (const Case& c : cases) {
    const WindowStyles styles = GetWindowModeStyles(c.number, c.layered, c.visible);
    EXPECT_EQ(styles.style, c.style) << c.number;
    EXPECT_EQ(styles.exStyle, c.exStyle) << c.number;
  }
}

TEST(WindowGeometryTest, ScaledLengthTruncatesAndCentreHalvesTowardZero) {
  EXPECT_EQ(ScaleScreenLength(320, 0.5), 160);
  EXPECT_EQ(ScaleScreenLength(241, 0.5), 120);
  EXPECT_EQ(ScaleScreenLength(320, 4.0), 1280);
  EXPECT_EQ(CentreOffset(1920, 646), 637);
  EXPECT_EQ(CentreOffset(1080, 1083), -1);  // -1.5 toward zero
}

TEST(WindowGeometryTest, SizingKeepsTheScreenAspectRatio) {
  // A 320 x 240 screen in a window with an 8 x 30 frame on a 1920 x 1080
  // desktop, starting from a 640 x 480 client at (100, 100).
  const SizingFrame frame = {8, 30, 1920, 1080, 320, 240};
  struct Case {
    const char* name;
    int edge;
    SizingRect proposed;
    SizingRect expected;
    double scale;
  };
  const Case cases[] = {
      {"left edge sets the height", kSizingLeft, {-60, 100, 748, 610}, {-60, 100, 748, 730}, 2.5},
      {"bottom edge sets the width", kSizingBottom, {100, 100, 748, 370}, {100, 100, 428, 370}, 1.0},
      {"corner follows the wider side", kSizingBottomRight, {100, 100, 1068, 610},
       {100, 100, 1068, 850}, 3.0},
      {"corner follows the taller side", kSizingBottomRight, {100, 100, 748, 850},
       {100, 100, 1068, 850}, 3.0},
      {"top-left corner keeps the bottom-right", kSizingTopLeft, {-220, -140, 748, 610},
       {-220, -140, 748, 610}, 3.0},
      {"clamped to the desktop", kSizingRight, {0, 0, 3000, 510}, {0, 0, 1920, 1080}, 5.975},
  };
  for (const Case& c : cases) {
    SizingRect rect = c.proposed;
    const double scale = FitSizingToAspect(c.edge, frame, &rect);
    EXPECT_EQ(rect.left, c.expected.left) << c.name;
    EXPECT_EQ(rect.top, c.expected.top) << c.name;
    EXPECT_EQ(rect.right, c.expected.right) << c.name;
    EXPECT_EQ(rect.bottom, c.expected.bottom) << c.name;
    EXPECT_DOUBLE_EQ(scale, c.scale) << c.name;
  }
}

}  // namespace
