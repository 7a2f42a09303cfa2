#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "Ombrel.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "support/library_session.h"
#include "support/primitive_probe.h"

namespace {

class DrawShapesTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    screen_ = GetPrimaryScreenSoftImg();
    FillSoftImgRaw(screen_, nullptr, 0);
  }
  uint32_t Pixel(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, screen_->pixels + y * screen_->body->pitch + x * 4, 4);
    return v;
  }
  SOFTIMG* screen_ = nullptr;
};

TEST_F(DrawShapesTest, OutlineDrawsEveryEdgePixelOnce) {
  // Adding draws twice as bright where a pixel is drawn twice.
  SetBlendModeAndParam(2, 255);
  ASSERT_EQ(PaintBox(10, 10, 20, 15, 0x00101010, 0), 0);
  for (int y = 8; y < 17; ++y) {
    for (int x = 8; x < 22; ++x) {
      const bool edge = (x >= 10 && x <= 19 && (y == 10 || y == 14)) ||
                        (y >= 10 && y <= 14 && (x == 10 || x == 19));
      EXPECT_EQ(Pixel(x, y) & 0xFFFFFF, edge ? 0x101010u : 0u) << x << "," << y;
    }
  }
}

TEST_F(DrawShapesTest, FilledBoxFollowsTheFillRulesAndTheArea) {
  const IntRect seed = {0, 0, 320, 240};
  FillSoftImgRaw(screen_, &seed, 0x00808080);
  SetBlendModeAndParam(2, 255);
  SetDrawClipRect(0, 0, 30, 30);
  ASSERT_EQ(PaintBox(25, 25, 40, 40, 0x00808080, 1), 0);
  EXPECT_EQ(Pixel(29, 29), 0x01FFFFFFu);  // saturated, red's carry in the top byte
  EXPECT_EQ(Pixel(30, 29), 0x00808080u);  // outside the area
  EXPECT_EQ(Pixel(24, 25), 0x00808080u);
  // No width: nothing.
  ASSERT_EQ(PaintBox(10, 10, 10, 20, 0x00FFFFFF, 1), 0);
  EXPECT_EQ(Pixel(10, 10), 0x00808080u);
  // Bright scales the colour once by c * b >> 8.
  SetBlendModeAndParam(0, 0);
  SetBrightRGB(255, 255, 0);
  ASSERT_EQ(PaintFilledBox(0, 0, 2, 2, 0xFFFFFFFF), 0);
  EXPECT_EQ(Pixel(1, 1), 0xFFFEFE00u);
}

TEST_F(DrawShapesTest, LineLeavesOutItsLastPoint) {
  ASSERT_EQ(PaintLine(5, 5, 15, 5, 0x00FFFFFF, 1), 0);
  EXPECT_EQ(Pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(Pixel(14, 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(Pixel(15, 5) & 0xFFFFFF, 0u);
}

TEST_F(DrawShapesTest, ThickLinesAreBandsCentredOnTheLine) {
  if (!SoftwareTriangleDraws()) GTEST_SKIP() << "thick lines need the software triangle";
  for (const IntRect line : {IntRect{50, 100, 150, 100}, IntRect{200, 40, 200, 140},
                             IntRect{40, 150, 140, 220}}) {
    ASSERT_EQ(PaintLine(line.left, line.top, line.right, line.bottom, 0x00FF0000, 4), 0);
  }
  // Horizontal: a column through the middle has 4 lit pixels around y 100.
  int lit = 0;
  for (int y = 90; y < 110; ++y) lit += (Pixel(100, y) & 0xFFFFFF) != 0;
  EXPECT_GE(lit, 4);
  EXPECT_LE(lit, 5);
  EXPECT_NE(Pixel(100, 99) & 0xFFFFFF, 0u);
  EXPECT_NE(Pixel(100, 100) & 0xFFFFFF, 0u);
  // Vertical: a row through the middle, the same.
  lit = 0;
  for (int x = 190; x < 210; ++x) lit += (Pixel(x, 90) & 0xFFFFFF) != 0;
  EXPECT_GE(lit, 4);
  EXPECT_LE(lit, 5);
  // Nothing beyond the band's ends.
  EXPECT_EQ(Pixel(45, 100) & 0xFFFFFF, 0u);
  EXPECT_EQ(Pixel(200, 145) & 0xFFFFFF, 0u);
}

TEST_F(DrawShapesTest, StretchedAndMirroredGraphs) {
  const int graph = CreateEmptyGraph(2, 2, 0);
  SOFTIMG& view = GetGraphRecord(graph)->view;
  const uint32_t texels[4] = {0xFF110000, 0xFF002200, 0xFF000033, 0xFF444444};
  for (int i = 0; i < 4; ++i) {
    std::memcpy(view.pixels + (i / 2) * view.body->pitch + (i % 2) * 4, &texels[i], 4);
  }
  ASSERT_EQ(PutGraphStretched(10, 10, 14, 14, graph, 0), 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(Pixel(10 + x, 10 + y), texels[(y / 2) * 2 + x / 2]) << x << "," << y;
    }
  }
  EXPECT_EQ(Pixel(14, 10) & 0xFFFFFF, 0u);
  ASSERT_EQ(PutGraphMirrored(30, 30, graph, 0), 0);
  EXPECT_EQ(Pixel(30, 30), texels[1]);
  EXPECT_EQ(Pixel(31, 31), texels[2]);
  ASSERT_EQ(PutGraphStretchedFloat(50.9f, 50.2f, 54.7f, 54.9f, graph, 0), 0);
  EXPECT_EQ(Pixel(50, 50), texels[0]);
  EXPECT_EQ(Pixel(53, 53), texels[3]);
  EXPECT_EQ(Pixel(54, 53) & 0xFFFFFF, 0u);
}

TEST_F(DrawShapesTest, QuadOfTheGraphsOwnRectangleCoversItWithItsTexels) {
  if (!SoftwareTriangleDraws()) GTEST_SKIP() << "quads need the software triangle";
  std::mt19937 rng(2);
  const int graph = CreateEmptyGraph(8, 8, 0);
  SOFTIMG& view = GetGraphRecord(graph)->view;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint32_t v = 0xFF000000u | ((rng() & 0xFFFFFF) | 0x010101);
      std::memcpy(view.pixels + y * view.body->pitch + x * 4, &v, 4);
    }
  }
  ASSERT_EQ(PutGraphQuad(100, 100, 108, 100, 108, 108, 100, 108, graph, 0), 0);
  // Every lit pixel lies in the rectangle and shows the texel at its place.
  int lit = 0;
  for (int y = 96; y < 112; ++y) {
    for (int x = 96; x < 112; ++x) {
      if ((Pixel(x, y) & 0xFFFFFF) == 0) continue;
      ++lit;
      ASSERT_TRUE(x >= 100 && x <= 108 && y >= 100 && y <= 108) << x << "," << y;
    }
  }
  EXPECT_GE(lit, 49);
  uint32_t texel;
  std::memcpy(&texel, view.pixels + 4 * view.body->pitch + 4 * 4, 4);
  EXPECT_EQ(Pixel(104, 104), texel);
}

}  // namespace
