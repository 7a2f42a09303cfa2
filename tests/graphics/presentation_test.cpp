#include "graphics/presentation.h"

#include <gtest/gtest.h>

namespace {

TEST(PresentationTest, RepaintRegionMapsWindowPixelsBackToScreenPixels) {
  struct Case {
    const char* name;
    IntRect region;
    IntRect presented;
    IntRect expected;
  };
  // A 320 x 240 screen.
  const Case cases[] = {
      {"scale 2", {100, 60, 300, 200}, {0, 0, 640, 480}, {50, 30, 150, 100}},
      {"scale 1", {10, 20, 30, 40}, {0, 0, 320, 240}, {10, 20, 30, 40}},
      {"scale 0.5", {10, 20, 30, 40}, {0, 0, 160, 120}, {20, 40, 60, 80}},
      {"whole window at scale 4", {0, 0, 1280, 960}, {0, 0, 1280, 960}, {0, 0, 320, 240}},
  };
  for (const Case& c : cases) {
    IntRect source = {};
    ASSERT_EQ(MapPresentRegion(c.region, c.presented, 320, 240, &source), 0) << c.name;
    EXPECT_EQ(source.left, c.expected.left) << c.name;
    EXPECT_EQ(source.top, c.expected.top) << c.name;
    EXPECT_EQ(source.right, c.expected.right) << c.name;
    EXPECT_EQ(source.bottom, c.expected.bottom) << c.name;
  }
}

TEST(PresentationTest, RegionThatMapsToNothingIsRefused) {
  IntRect source = {};
  // Nothing presented yet.
  EXPECT_EQ(MapPresentRegion({0, 0, 10, 10}, {0, 0, 0, 0}, 320, 240, &source), -1);
  // One window pixel at scale 4 is less than a screen pixel.
  EXPECT_EQ(MapPresentRegion({1, 1, 2, 2}, {0, 0, 1280, 960}, 320, 240, &source), -1);
}

}  // namespace

namespace {

TEST(PresentationTest, WholePresentRectangles) {
  struct Case {
    const char* name;
    PresentInputs in;
    IntRect source, dest;
    int emulation;
  } const cases[] = {
      {"window at scale 2", {320, 240, 1, 0, 0, 2.0, 2.0}, {0, 0, 320, 240}, {0, 0, 640, 480}, 0},
      {"window at scale 1", {320, 240, 1, 0, 0, 1.0, 1.0}, {0, 0, 320, 240}, {0, 0, 320, 240}, 0},
      {"uneven scale truncates", {320, 240, 1, 0, 0, 1.5, 1.3}, {0, 0, 320, 240},
       {0, 0, 480, 312}, 0},
      {"full screen 320 x 240 shown as 640 x 480", {640, 480, 0, 0, 1, 1.0, 1.0},
       {0, 0, 320, 240}, {0, 0, 640, 480}, 1},
      {"emulation asked for in a window", {640, 480, 1, 1, 0, 2.0, 2.0}, {0, 0, 320, 240},
       {0, 0, 640, 480}, 1},
      {"emulation needs a 640 x 480 mode", {800, 600, 1, 1, 0, 1.0, 1.0}, {0, 0, 800, 600},
       {0, 0, 800, 600}, 0},
      {"full screen keeps the mode size", {800, 600, 0, 0, 0, 1.0, 1.0}, {0, 0, 800, 600},
       {0, 0, 800, 600}, 0},
  };
  for (const Case& c : cases) {
    IntRect source = {};
    IntRect dest = {};
    int emulation = -1;
    ComputePresentRects(c.in, &source, &dest, &emulation);
    EXPECT_EQ(emulation, c.emulation) << c.name;
    EXPECT_EQ(source.right, c.source.right) << c.name;
    EXPECT_EQ(source.bottom, c.source.bottom) << c.name;
    EXPECT_EQ(dest.right, c.dest.right) << c.name;
    EXPECT_EQ(dest.bottom, c.dest.bottom) << c.name;
  }
}

}  // namespace
