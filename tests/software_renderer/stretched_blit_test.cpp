#include "software_renderer/stretched_blit.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "software_renderer/plain_blit.h"
#include "support/blit_oracle.h"
#include "support/blit_scenes.h"

namespace {

class StretchedBlitTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

std::string RectText(const IntRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// One edge pair of a random rectangle: enlarged, reduced, the source's own
// size or empty, placed around the image and reversed half of the time.
void RandomSpan(int sourceExtent, int destExtent, std::mt19937& rng, int32_t* near, int32_t* far) {
  int extent;
  switch (rng() % 6) {
    case 0: extent = sourceExtent; break;
    case 1: extent = 0; break;
    case 2: extent = 1 + static_cast<int>(rng() % static_cast<unsigned>(sourceExtent)); break;
    default: extent = 1 + static_cast<int>(rng() % static_cast<unsigned>(3 * sourceExtent + 4)); break;
  }
  const int start = static_cast<int>(rng() % static_cast<unsigned>(destExtent + extent + 6)) - extent - 3;
  *near = start;
  *far = start + extent;
  if (rng() % 2) std::swap(*near, *far);
}

// Random rectangles, mirrored or not, enlarging and reducing, in every
// member, compared byte for byte with the reference model.
TEST_F(StretchedBlitTest, EveryMemberMatchesTheReferenceRules) {
  std::mt19937 rng(31337);
  ForEachBlitCase(rng, [&rng](const BlitCase& c) {
    BlitScene scene(c, rng, 9, 24);
    IntRect rect;
    RandomSpan(scene.sourceWidth, scene.real->view.width, rng, &rect.left, &rect.right);
    RandomSpan(scene.sourceHeight, scene.real->view.height, rng, &rect.top, &rect.bottom);
    DrawStretchedImageOnSoftImg(&scene.real->view, &scene.source->view, &rect, c.transFlag, scene.Graph());
    OracleDrawStretchedImage(&scene.expected->view, &scene.source->view, &rect, c.transFlag, scene.Graph(), scene.oracle);
    scene.Compare("rect " + RectText(rect));
  });
}

// Rectangles with extreme edges: scales that no 32-bit extent holds are
// refused, the rest draw the texels they sample and nothing past the image.
TEST_F(StretchedBlitTest, ExtremeRectanglesStayInsideTheImage) {
  std::mt19937 rng(4242);
  const IntRect rects[] = {
      {-100000, 0, 100, 4}, {100, 4, -100000, 0}, {0, -70000, 5, 9}, {INT_MIN, 0, INT_MAX, 3},
      {INT_MAX, INT_MAX, INT_MIN, INT_MIN}, {-40000, -40000, 40000, 40000}, {3, 2, 4, 3},
      {0, 0, 65535, 1}, {INT_MAX - 3, 0, INT_MAX, 2},
  };
  for (const IntRect& rect : rects) {
    for (int mode : {0, 1, 3}) {
      BlitCase c{1, SourceKind::kDirect, mode, 255, 0xFFFFFF, 1, false, 0};
      BlitScene scene(c, rng, 9, 24);
      UseDrawSettings(IntRect{0, 0, 24, 9}, mode, 255);
      scene.oracle.drawArea = IntRect{0, 0, 24, 9};
      DrawStretchedImageOnSoftImg(&scene.real->view, &scene.source->view, &rect, 1, nullptr);
      OracleDrawStretchedImage(&scene.expected->view, &scene.source->view, &rect, 1, nullptr, scene.oracle);
      scene.Compare("rect " + RectText(rect));
    }
  }
}

// Rectangles wider than the loops' column tables, enlarging and reducing.
TEST_F(StretchedBlitTest, WideRectanglesMatchTheReferenceRules) {
  std::mt19937 rng(2718);
  const BlitCase cases[] = {
      {1, SourceKind::kDirect, 0, 0, 0xFFFFFF, 0, false, 0},  {1, SourceKind::kDirect, 1, 90, 0xFFFFFF, 1, false, 0},
      {1, SourceKind::kAlpha, 2, 200, 0x808080, 1, true, 0},  {1, SourceKind::kPalettised, 3, 255, 0xFFFFFF, 0, false, 0},
      {0, SourceKind::kDirect, 10, 40, 0xFFFFFF, 1, true, 0}, {0, SourceKind::kAlpha, 11, 128, 0xFFFFFF, 0, false, 0},
  };
  for (const BlitCase& c : cases) {
    for (int rep = 0; rep < 6; ++rep) {
      BlitScene scene(c, rng, rep % 2 ? 1500 : 9, 2200);
      IntRect rect{-static_cast<int>(rng() % 300), 0, scene.real->view.width + static_cast<int>(rng() % 300), 9};
      if (rng() % 2) std::swap(rect.left, rect.right);
      DrawStretchedImageOnSoftImg(&scene.real->view, &scene.source->view, &rect, c.transFlag, scene.Graph());
      OracleDrawStretchedImage(&scene.expected->view, &scene.source->view, &rect, c.transFlag, scene.Graph(), scene.oracle);
      scene.Compare("rect " + RectText(rect));
    }
  }
}

// Scales at which blocks of pixels take their texels side by side, every
// other one or each twice, which the loops read in whole registers; placed
// against either edge so that blocks reach the source's last texel and are
// clipped.
TEST_F(StretchedBlitTest, RegularScalesMatchTheReferenceRules) {
  std::mt19937 rng(909);
  const BlitCase cases[] = {
      {1, SourceKind::kDirect, 0, 0, 0xFFFFFF, 0, false, 0}, {1, SourceKind::kDirect, 1, 90, 0xFFFFFF, 1, false, 0},
      {1, SourceKind::kAlpha, 0, 0, 0xFFFFFF, 1, false, 0},  {0, SourceKind::kDirect, 0, 0, 0xFFFFFF, 0, false, 0},
      {0, SourceKind::kDirect, 2, 100, 0xFFFFFF, 1, false, 0},
  };
  for (const BlitCase& c : cases) {
    for (int rep = 0; rep < 36; ++rep) {
      BlitScene scene(c, rng, 40, 60);
      const int sw = scene.sourceWidth, sh = scene.sourceHeight;
      // Twice as wide, half as wide, and as wide but twice as high.
      const int widths[] = {2 * sw, sw / 2, sw};
      const int w = widths[rep % 3];
      if (w == 0) continue;
      const int h = rep % 3 == 2 ? 2 * sh : sh;
      const int left = static_cast<int>(rng() % 9) - 4 + (rep % 2 ? scene.real->view.width - w : 0);
      const IntRect rect{left, 0, left + w, h};
      DrawStretchedImageOnSoftImg(&scene.real->view, &scene.source->view, &rect, c.transFlag, nullptr);
      OracleDrawStretchedImage(&scene.expected->view, &scene.source->view, &rect, c.transFlag, nullptr, scene.oracle);
      scene.Compare("rect " + RectText(rect));
    }
  }
}

// Rows of every width from 0 to 67 at the regular scales, starting at every
// pixel offset of the destination and at every phase of the source pattern
// (the rectangle starting left of the drawing area), its far edge on the
// area's, so that the blocks read in whole registers reach the source's last
// texel; through whole-pixel and general members.
TEST_F(StretchedBlitTest, RegularScalesAtEveryWidthAndAlignmentMatchTheReferenceRules) {
  std::mt19937 rng(4711);
  const BlitCase cases[] = {
      {1, SourceKind::kDirect, 0, 0, 0xFFFFFF, 0, false, 0}, {1, SourceKind::kDirect, 0, 0, 0xFFFFFF, 1, false, 0},
      {1, SourceKind::kAlpha, 1, 90, 0xFFFFFF, 1, false, 0}, {0, SourceKind::kDirect, 0, 0, 0xFFFFFF, 0, false, 0},
      {0, SourceKind::kDirect, 2, 100, 0xFFFFFF, 1, false, 0},
      // Blend-graph members, whose graph is read at the texels' columns.
      {1, SourceKind::kDirect, 1, 90, 0xFFFFFF, 1, true, 0}, {1, SourceKind::kAlpha, 11, 200, 0xFFFFFF, 1, true, 0},
      {0, SourceKind::kDirect, 0, 0, 0xFFFFFF, 0, true, 0}, {0, SourceKind::kAlpha, 3, 130, 0xFFFFFF, 1, true, 0},
      {1, SourceKind::kPalettised, 2, 60, 0xFFFFFF, 1, true, 0},
  };
  enum Scale { kTwice, kHalf, kTaller };
  int failures = 0;
  for (const BlitCase& c : cases) {
    for (Scale scale : {kTwice, kHalf, kTaller}) {
      for (int width = 0; width <= 67 && failures < 10; ++width) {
        for (int offset = 0; offset < 8; ++offset) {
          for (int phase = 0; phase < 4; ++phase) {
            const int span = width + phase;  // destination columns from the rectangle's near edge
            const int sw = scale == kTwice ? (span + 1) / 2 : scale == kHalf ? 2 * span : span;
            if (sw == 0) continue;
            const int sh = 3;
            SourceImage source(c.colorType, c.kind, sw, sh, false, rng);
            source.view.body->transparentColor = source.pool[rng() % source.pool.size()];
            GuardedImage real(c.colorType, width + 8, 6, 0, rng);
            GuardedImage expected(real);
            // A graph as large as the source, so that the rows' last blocks
            // reach its rows' ends.
            std::unique_ptr<GraphImageOf> graph;
            const int bp = static_cast<int>(rng() % 256), br = static_cast<int>(rng() % 256);
            if (c.graph) {
              graph = std::make_unique<GraphImageOf>(sw, sh, rng);
              MakeBlendGraphWeightTable(bp, br);
            }
            const SOFTIMG* graphView = graph ? &graph->view : nullptr;
            const IntRect area{offset, 0, offset + width, 6};
            const int destWidth = scale == kTwice ? 2 * sw : scale == kHalf ? sw / 2 : sw;
            const IntRect rect{offset + width - destWidth, 0, offset + width, scale == kTaller ? 2 * sh : sh};
            UseDrawSettings(area, c.mode, c.param);
            DrawStretchedImageOnSoftImg(&real.view, &source.view, &rect, c.transFlag, graphView);
            OracleDrawStretchedImage(&expected.view, &source.view, &rect, c.transFlag, graphView,
                                     OracleSettingsOf(area, c.mode, c.param, 0xFFFFFF, 0, bp, br));
            const std::string difference = FirstDifference(real, expected);
            if (!difference.empty()) {
              ADD_FAILURE() << "colour type " << c.colorType << " mode " << c.mode << " flag " << c.transFlag
                            << " graph " << c.graph << " scale " << scale << " width " << width << " offset " << offset << " phase "
                            << phase << ": " << difference;
              ++failures;
            }
          }
        }
      }
    }
  }
}

// Source columns that a row of destination pixels takes: a source row of
// pixels that carry their own column, drawn through a whole-pixel member (a
// plain source in mode 0) or a general one (the same pixels with alpha 255
// and transparency on).
std::vector<int> ColumnsTaken(int sourceWidth, const IntRect& rect, const IntRect& area, bool general) {
  std::vector<uint32_t> texels;
  for (int x = 0; x < sourceWidth; ++x) texels.push_back(Bgrx(static_cast<uint32_t>(x), 0, 0, general ? 255 : 0));
  Pixels src(1, general ? SourceKind::kAlpha : SourceKind::kDirect, sourceWidth, 1, texels);
  Pixels dest(1, SourceKind::kDirect, 40, 1, {0xFF});
  UseDrawSettings(area, 0, 0);
  DrawStretchedImageOnSoftImg(&dest.view, &src.view, &rect, general ? 1 : 0, nullptr);
  std::vector<int> columns;
  for (int x = 0; x < 40; ++x) {
    if (dest.At(x, 0) != 0xFF) columns.push_back(static_cast<int>(dest.At(x, 0) & 0xFF));
  }
  return columns;
}

TEST_F(StretchedBlitTest, ColumnsFollowTheFixedPointSteps) {
  struct Case {
    const char* what;
    int sourceWidth;
    IntRect rect;
    int areaLeft;
    std::vector<int> general, whole;
  };
  const Case cases[] = {
      {"3 into 7", 3, {0, 0, 7, 1}, 0, {0, 0, 0, 1, 1, 2, 2}, {0, 0, 0, 1, 1, 2, 2}},
      {"3 into 7 mirrored", 3, {7, 0, 0, 1}, 0, {2, 2, 2, 1, 1, 0, 0}, {2, 2, 2, 1, 1, 0, 0}},
      {"5 into 3", 5, {0, 0, 3, 1}, 0, {0, 1, 3}, {0, 1, 3}},
      {"5 into 3 mirrored", 5, {3, 0, 0, 1}, 0, {4, 3, 1}, {4, 3, 1}},
      {"4 into 2", 4, {0, 0, 2, 1}, 0, {0, 2}, {0, 1}},
      {"6 into 3", 6, {0, 0, 3, 1}, 0, {0, 2, 4}, {0, 1, 3}},
      {"8 into 4", 8, {0, 0, 4, 1}, 0, {0, 2, 4, 6}, {0, 1, 3, 5}},
      {"8 into 4 from column 1", 8, {0, 0, 4, 1}, 1, {2, 4, 6}, {2, 3, 5}},
      {"8 into 4 from column 1 mirrored", 8, {4, 0, 0, 1}, 1, {5, 3, 1}, {5, 4, 2}},
      {"8 into 4 from column 2", 8, {0, 0, 4, 1}, 2, {4, 6}, {4, 5}},
      {"8 into 3", 8, {0, 0, 3, 1}, 0, {0, 2, 5}, {0, 2, 5}},
      {"4 mirrored at its own size", 4, {4, 0, 0, 1}, 0, {3, 2, 1, 0}, {3, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    const IntRect area{c.areaLeft, 0, 40, 1};
    EXPECT_EQ(c.general, ColumnsTaken(c.sourceWidth, c.rect, area, true)) << c.what << " (general)";
    EXPECT_EQ(c.whole, ColumnsTaken(c.sourceWidth, c.rect, area, false)) << c.what << " (whole-pixel)";
  }
}

TEST_F(StretchedBlitTest, RowsFollowTheFixedPointStepsLikeColumns) {
  struct Case {
    int sourceHeight, destHeight;
    std::vector<int> general, whole;
  };
  const Case cases[] = {{4, 2, {0, 2}, {0, 1}}, {2, 5, {0, 0, 0, 1, 1}, {0, 0, 0, 1, 1}}};
  for (const Case& c : cases) {
    for (bool general : {true, false}) {
      std::vector<uint32_t> texels;
      for (int y = 0; y < c.sourceHeight; ++y) texels.push_back(Bgrx(0, static_cast<uint32_t>(y), 0, general ? 255 : 0));
      Pixels src(1, general ? SourceKind::kAlpha : SourceKind::kDirect, 1, c.sourceHeight, texels);
      Pixels dest(1, SourceKind::kDirect, 2, c.destHeight, {0xFF});
      UseDrawSettings(IntRect{0, 0, 2, c.destHeight}, 0, 0);
      const IntRect rect{0, 0, 2, c.destHeight};
      DrawStretchedImageOnSoftImg(&dest.view, &src.view, &rect, general ? 1 : 0, nullptr);
      std::vector<int> rows;
      for (int y = 0; y < c.destHeight; ++y) rows.push_back(static_cast<int>((dest.At(1, y) >> 8) & 0xFF));
      EXPECT_EQ(general ? c.general : c.whole, rows) << c.sourceHeight << " into " << c.destHeight;
    }
  }
}

TEST_F(StretchedBlitTest, BlendGraphMirrorsWithTheSource) {
  // Graph byte 10 + 40 y + 10 x at source (x, y); with border (128, 255) the
  // weight is the byte itself, so a white texel over black shows it.
  Pixels src(1, SourceKind::kDirect, 4, 2, {0xFFFFFF});
  std::vector<uint32_t> bytes;
  Pixels graph(2, SourceKind::kDirect, 4, 2, {0});
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) graph.view.pixels[y * graph.view.body->pitch + x] = static_cast<uint8_t>(10 + 40 * y + 10 * x);
  }
  MakeBlendGraphWeightTable(128, 255);
  Pixels dest(1, SourceKind::kDirect, 8, 4, {0});
  UseDrawSettings(IntRect{0, 0, 8, 4}, 0, 0);
  const IntRect rect{8, 4, 0, 0};
  DrawStretchedImageOnSoftImg(&dest.view, &src.view, &rect, 0, &graph.view);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      const uint32_t g = 10 + 40 * (1 - y / 2) + 10 * (3 - x / 2);
      const uint32_t c = 255 * g >> 8;
      EXPECT_EQ(Bgrx(c, c, c, 0), dest.At(x, y)) << x << "," << y;
    }
  }
}

TEST_F(StretchedBlitTest, SameSizeUnmirroredGoesToThePlainBlit) {
  // Mode 1 at 128 halves on the plain path (the fourth byte becomes 0); the
  // stretched members blend by the general rule and keep it.
  const std::vector<uint32_t> texels = {Bgrx(1, 3, 255, 0), Bgrx(1, 3, 255, 0), Bgrx(1, 3, 255, 0), Bgrx(1, 3, 255, 0)};
  for (bool mirrored : {false, true}) {
    Pixels src(1, SourceKind::kDirect, 4, 1, texels);
    Pixels dest(1, SourceKind::kDirect, 10, 4, {Bgrx(1, 3, 1, 170)});
    UseDrawSettings(IntRect{0, 0, 10, 4}, 1, 128);
    const IntRect rect = mirrored ? IntRect{7, 2, 3, 3} : IntRect{3, 2, 7, 3};
    DrawStretchedImageOnSoftImg(&dest.view, &src.view, &rect, 0, nullptr);
    for (int x = 3; x < 7; ++x) {
      EXPECT_EQ(mirrored ? Bgrx(1, 3, 128, 170) : Bgrx(0, 2, 127, 0), dest.At(x, 2)) << mirrored << " " << x;
    }
    EXPECT_EQ(Bgrx(1, 3, 1, 170), dest.At(2, 2));
    EXPECT_EQ(Bgrx(1, 3, 1, 170), dest.At(7, 2));
  }
}

struct WorkedExample {
  const char* what;
  SourceKind kind;
  int mode;
  int param;
  int transFlag;
  uint32_t texel;
  uint32_t dest;
  uint32_t expected;
};

TEST_F(StretchedBlitTest, WorkedExamplesGiveTheirPixels) {
  const WorkedExample examples[] = {
      {"alpha 255 still blends without the flag", SourceKind::kAlpha, 0, 0, 0, Bgrx(160, 0, 0, 255), Bgrx(16, 0, 0, 5), Bgrx(159, 0, 0, 5)},
      {"alpha 255 with the flag is copied whole", SourceKind::kAlpha, 0, 0, 1, Bgrx(160, 0, 0, 255), Bgrx(16, 0, 0, 5), Bgrx(160, 0, 0, 255)},
      {"alpha 0 with the flag leaves the pixel", SourceKind::kAlpha, 0, 0, 1, Bgrx(160, 0, 0, 0), Bgrx(16, 0, 0, 5), Bgrx(16, 0, 0, 5)},
      {"multiply keys alpha 0 out too", SourceKind::kAlpha, 4, 0, 1, Bgrx(160, 0, 0, 0), Bgrx(16, 0, 0, 5), Bgrx(16, 0, 0, 5)},
      {"mode 1 at 255 is mode 0", SourceKind::kDirect, 1, 255, 0, Bgrx(1, 2, 3, 4), Bgrx(9, 9, 9, 9), Bgrx(1, 2, 3, 4)},
      {"mode 1 at 0 draws nothing", SourceKind::kDirect, 1, 0, 0, Bgrx(1, 2, 3, 4), Bgrx(9, 9, 9, 9), Bgrx(9, 9, 9, 9)},
      {"mode 6 draws nothing", SourceKind::kDirect, 6, 128, 0, Bgrx(1, 2, 3, 4), Bgrx(9, 9, 9, 9), Bgrx(9, 9, 9, 9)},
      {"add at 255 keeps the OR-step", SourceKind::kDirect, 2, 255, 0, Bgrx(0, 1, 1, 0), Bgrx(0, 2, 2, 0), Bgrx(0, 3, 3, 0)},
      {"subtract at 0 of a direct source draws nothing", SourceKind::kDirect, 3, 0, 0, Bgrx(1, 2, 3, 4), Bgrx(10, 10, 10, 3), Bgrx(10, 10, 10, 3)},
      {"subtract at 0 of a palettised source moves low bits", SourceKind::kPalettised, 3, 0, 0, 0, Bgrx(10, 10, 10, 3), Bgrx(10, 11, 11, 0)},
  };
  for (const auto& e : examples) {
    Pixels src(1, e.kind, 1, 1, {e.texel}, 0xFFFFFFFF);
    Pixels dest(1, SourceKind::kDirect, 2, 1, {e.dest});
    UseDrawSettings(IntRect{0, 0, 2, 1}, e.mode, e.param);
    const IntRect rect{0, 0, 2, 1};
    DrawStretchedImageOnSoftImg(&dest.view, &src.view, &rect, e.transFlag, nullptr);
    EXPECT_EQ(e.expected, dest.At(1, 0)) << e.what;
    Pixels model(1, SourceKind::kDirect, 2, 1, {e.dest});
    OracleDrawStretchedImage(&model.view, &src.view, &rect, e.transFlag, nullptr,
                             OracleSettingsOf(IntRect{0, 0, 2, 1}, e.mode, e.param, 0xFFFFFF, 0, 0, 0));
    EXPECT_EQ(e.expected, model.At(1, 0)) << e.what << " (reference model)";
  }
}

TEST_F(StretchedBlitTest, RefusedDrawsLeaveTheDestinationUnchanged) {
  RefusalImages images;
  auto& [src32, src16, dest32, palDest, alphaDest, single, smallGraph] = images;
  struct Refusal {
    const char* what;
    Pixels* dest;
    const SOFTIMG* src;
    IntRect rect;
    const SOFTIMG* graph;
  };
  const Refusal refusals[] = {
      {"16-bit source on 32-bit", &dest32, &src16.view, {0, 0, 9, 7}, nullptr},
      {"palettised destination", &palDest, &src32.view, {0, 0, 9, 7}, nullptr},
      {"destination with alpha", &alphaDest, &src32.view, {0, 0, 9, 7}, nullptr},
      {"single-channel source", &dest32, &single.view, {0, 0, 9, 7}, nullptr},
      {"blend graph too small", &dest32, &src32.view, {0, 0, 9, 7}, &smallGraph.view},
      {"no width", &dest32, &src32.view, {3, 0, 3, 7}, nullptr},
      {"no height", &dest32, &src32.view, {0, 5, 9, 5}, nullptr},
      {"left of the area", &dest32, &src32.view, {-9, 0, -1, 7}, nullptr},
  };
  for (const auto& r : refusals) {
    const uint64_t before = r.dest->Hash();
    UseDrawSettings(IntRect{0, 0, 10, 8}, 0, 0);
    DrawStretchedImageOnSoftImg(&r.dest->view, r.src, &r.rect, 0, r.graph);
    EXPECT_EQ(before, r.dest->Hash()) << r.what;
  }
  const uint64_t before = dest32.Hash();
  DrawStretchedImageOnSoftImg(&dest32.view, &src32.view, nullptr, 0, nullptr);
  EXPECT_EQ(before, dest32.Hash()) << "no rectangle";
}

}  // namespace
