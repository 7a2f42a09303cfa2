// The pixel rules of the software triangle, one pixel at a time, and the
// settings under which it draws nothing.
#include "software_renderer/triangle_draw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "software_renderer/blend_tables.h"
#include "support/blit_scenes.h"
#include "support/triangle_oracle.h"

namespace {

enum class Source { kSolid, kDirect, kPalettised, kAlpha };

uint32_t Rgb16(uint32_t r, uint32_t g, uint32_t b) { return r << 11 | g << 5 | b; }

constexpr uint32_t kBrightOff = 0xFFFFFF;
constexpr int kNoGraph = -1;

struct PixelCase {
  const char* what;
  int colorType;
  Source source;
  int mode;
  int param;
  uint32_t bright;  // 0xRRGGBB
  int transFlag;
  int graphByte;    // the blend graph's byte, weighed one to one; kNoGraph for none
  uint32_t color;   // the texel, palette entry or solid colour
  uint32_t dest;
  uint32_t expected;
};

class TrianglePixelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSoftImgBlendTables();
    MakeBlendGraphWeightTable(128, 255);  // weight = blend-graph byte
  }
  void TearDown() override {
    ResetDrawSettings();
    MakeBlendGraphWeightTable(0, 0);
  }

  // Draws a triangle whose only pixel inside the area is (0, 0), with texel
  // (0, 0), over a destination of two pixels; returns both. The reference
  // model draws the same triangle and must give the case's numbers too, so
  // that a condition it shares with the loops cannot be wrong in both.
  static std::pair<uint32_t, uint32_t> DrawOne(const PixelCase& c) {
    const SourceKind kind = c.source == Source::kPalettised ? SourceKind::kPalettised
                            : c.source == Source::kAlpha    ? SourceKind::kAlpha
                                                            : SourceKind::kDirect;
    Pixels dest(c.colorType, SourceKind::kDirect, 2, 1, {c.dest});
    Pixels src(c.colorType, kind, 1, 1, {kind == SourceKind::kPalettised ? 1u : c.color},
               0xFFFFFFFF);
    if (kind == SourceKind::kPalettised) {
      const size_t entry = c.colorType == 1 ? 4 : 2;
      std::memcpy(src.view.body->paletteBlock + entry, &c.color, entry);
    }
    Pixels graph(kSoftImgSingle8, SourceKind::kDirect, 1, 1, {static_cast<uint32_t>(c.graphByte)});
    const TriangleVertex v[3] = {{0, 0, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}};
    UseDrawSettings(IntRect{0, 0, 1, 1}, c.mode, c.param, c.bright);
    const bool solid = c.source == Source::kSolid;
    DrawTriangleOnSoftImg(&dest.view, solid ? nullptr : &src.view, v, c.transFlag,
                          c.graphByte == kNoGraph ? nullptr : &graph.view, c.color);
    Pixels model(c.colorType, SourceKind::kDirect, 2, 1, {c.dest});
    OracleDrawTriangle(&model.view, solid ? nullptr : &src.view, v, c.transFlag,
                       c.graphByte == kNoGraph ? nullptr : &graph.view, c.color,
                       OracleSettingsOf(IntRect{0, 0, 1, 1}, c.mode, c.param, c.bright, 0, 128, 255));
    EXPECT_EQ(c.expected, model.At(0, 0)) << c.what << " (reference model)";
    return {dest.At(0, 0), dest.At(1, 0)};
  }
};

TEST_F(TrianglePixelsTest, ThirtyTwoBitWorkedExamples) {
  const uint32_t d = Bgrx(10, 20, 30, 7);
  const uint32_t s = Bgrx(200, 100, 50, 0);
  const PixelCase cases[] = {
      {"mode 1 at 255 copies", 1, Source::kDirect, 1, 255, kBrightOff, 0, kNoGraph, Bgrx(1, 2, 3, 4), d, Bgrx(1, 2, 3, 4)},
      {"mode 1 at 0 leaves", 1, Source::kDirect, 1, 0, kBrightOff, 0, kNoGraph, s, d, d},
      {"add at 0 leaves", 1, Source::kPalettised, 2, 0, kBrightOff, 0, kNoGraph, s, d, d},
      {"subtract at 0 leaves", 1, Source::kPalettised, 3, 0, kBrightOff, 0, kNoGraph, s, d, d},
      {"palette copy with its fourth byte", 1, Source::kPalettised, 0, 0, kBrightOff, 0, kNoGraph, Bgrx(10, 20, 30, 40), Bgrx(1, 1, 1, 99), Bgrx(10, 20, 30, 40)},
      {"palette copy under bright", 1, Source::kPalettised, 0, 0, 0xFEFEFE, 0, kNoGraph, Bgrx(10, 20, 30, 40), Bgrx(1, 1, 1, 99), Bgrx(9, 19, 29, 99)},
      {"blend-graph weight 0", 1, Source::kDirect, 0, 0, kBrightOff, 0, 0, s, d, d},
      {"blend-graph weight 255", 1, Source::kDirect, 0, 0, kBrightOff, 0, 255, s, d, Bgrx(199, 99, 49, 7)},
      {"alpha 0 skipped", 1, Source::kAlpha, 0, 0, kBrightOff, 1, kNoGraph, Bgrx(1, 2, 3, 0), d, d},
      {"alpha 255 copied under trans", 1, Source::kAlpha, 0, 0, kBrightOff, 1, kNoGraph, Bgrx(1, 2, 3, 255), d, Bgrx(1, 2, 3, 255)},
      {"alpha 255 weighs without trans", 1, Source::kAlpha, 0, 0, kBrightOff, 0, kNoGraph, Bgrx(200, 100, 50, 255), d, Bgrx(199, 99, 49, 7)},
      {"alpha 0 weighs without trans", 1, Source::kAlpha, 0, 0, kBrightOff, 0, kNoGraph, Bgrx(200, 100, 50, 0), d, d},
      {"alpha weighs in mode 1 at 255", 1, Source::kAlpha, 1, 255, kBrightOff, 0, kNoGraph, Bgrx(200, 100, 50, 255), d, Bgrx(199, 99, 49, 7)},
      {"multiply by alpha 0 under trans", 1, Source::kAlpha, 4, 0, kBrightOff, 1, kNoGraph, s, d, Bgrx(0, 0, 0, 7)},
      {"multiply by alpha 0", 1, Source::kAlpha, 4, 0, kBrightOff, 0, kNoGraph, s, d, Bgrx(0, 0, 0, 7)},
      {"add saturates, carry in byte 3", 1, Source::kDirect, 2, 255, kBrightOff, 0, kNoGraph, Bgrx(32, 32, 32, 0), Bgrx(240, 240, 240, 77), Bgrx(255, 255, 255, 1)},
      {"subtract to zero", 1, Source::kDirect, 3, 255, kBrightOff, 0, kNoGraph, Bgrx(32, 32, 32, 0), Bgrx(16, 16, 16, 77), 0},
      {"subtract keeps guard bits", 1, Source::kDirect, 3, 255, kBrightOff, 0, kNoGraph, Bgrx(10, 3, 3, 0), Bgrx(20, 10, 10, 50), Bgrx(10, 9, 9, 0)},
      {"texture inverts before bright", 1, Source::kDirect, 10, 255, 0x808080, 0, kNoGraph, Bgrx(55, 55, 55, 0), 0, Bgrx(99, 99, 99, 0)},
      {"solid inverts after bright", 1, Source::kSolid, 10, 255, 0x808080, 0, kNoGraph, Bgrx(55, 55, 55, 0), 0, Bgrx(227, 227, 227, 0)},
      {"solid copy under bright", 1, Source::kSolid, 0, 0, 0xFFFF00, 0, kNoGraph, Bgrx(10, 20, 30, 40), d, Bgrx(0, 20, 30, 40)},
      {"solid copy", 1, Source::kSolid, 0, 0, kBrightOff, 0, kNoGraph, Bgrx(10, 20, 30, 40), d, Bgrx(10, 20, 30, 40)},
      {"product never brightens", 1, Source::kDirect, 11, 255, kBrightOff, 0, kNoGraph, Bgrx(255, 255, 255, 0), Bgrx(200, 200, 200, 0), Bgrx(199, 199, 199, 0)},
      {"mode 1 at 128 has no halving", 1, Source::kDirect, 1, 128, kBrightOff, 0, kNoGraph, Bgrx(1, 3, 255, 0), Bgrx(1, 3, 1, 170), Bgrx(1, 3, 128, 170)},
  };
  for (const PixelCase& c : cases) {
    const auto [drawn, neighbour] = DrawOne(c);
    EXPECT_EQ(c.expected, drawn) << c.what;
    EXPECT_EQ(c.dest, neighbour) << c.what;
  }
}

TEST_F(TrianglePixelsTest, SixteenBitWorkedExamples) {
  const PixelCase cases[] = {
      {"mode 1 at 128 truncates", 0, Source::kDirect, 1, 128, kBrightOff, 0, kNoGraph, Rgb16(31, 63, 0), Rgb16(0, 0, 31), Rgb16(15, 31, 16)},
      {"the same from a palette", 0, Source::kPalettised, 1, 128, kBrightOff, 0, kNoGraph, Rgb16(31, 63, 0), Rgb16(0, 0, 31), Rgb16(15, 31, 16)},
      {"weighted mode 1 floors", 0, Source::kDirect, 1, 128, kBrightOff, 0, 255, Rgb16(31, 63, 0), Rgb16(0, 0, 31), Rgb16(15, 31, 15)},
      {"add exact", 0, Source::kDirect, 2, 255, kBrightOff, 0, kNoGraph, Rgb16(0, 2, 3), Rgb16(0, 2, 5), Rgb16(0, 4, 8)},
      {"add green saturates, carries into red", 0, Source::kDirect, 2, 255, kBrightOff, 0, kNoGraph, Rgb16(0, 40, 1), Rgb16(0, 40, 1), Rgb16(1, 62, 2)},
      {"add carries blue into green", 0, Source::kDirect, 2, 255, kBrightOff, 0, kNoGraph, Rgb16(0, 40, 20), Rgb16(0, 40, 20), Rgb16(1, 63, 31)},
      {"subtract borrows red's low bit", 0, Source::kDirect, 3, 255, kBrightOff, 0, kNoGraph, Rgb16(0, 1, 0), Rgb16(0, 63, 0), Rgb16(1, 62, 0)},
      {"subtract blue to zero", 0, Source::kDirect, 3, 255, kBrightOff, 0, kNoGraph, Rgb16(3, 5, 20), Rgb16(10, 40, 10), Rgb16(9, 36, 0)},
      {"multiply full fields", 0, Source::kDirect, 4, 0, kBrightOff, 0, kNoGraph, 0xFFFF, 0xFFFF, Rgb16(30, 62, 30)},
      {"alpha copy writes the low word", 0, Source::kAlpha, 0, 0, kBrightOff, 1, kNoGraph, 0x00FF1234, 0xABCD, 0x1234},
      {"solid inverts after bright", 0, Source::kSolid, 10, 255, 0x80FFFF, 0, kNoGraph, Rgb16(31, 0, 0), 0, Rgb16(16, 63, 31)},
      {"solid mode 1 truncates", 0, Source::kSolid, 1, 128, kBrightOff, 0, kNoGraph, Rgb16(31, 63, 0), Rgb16(0, 0, 31), Rgb16(15, 31, 16)},
      // Blue 3 at alpha 128 is 1, then S(192, 1) = 0; the bright first would
      // give S(192, 3) = 2, then 1.
      {"alpha before bright in add", 0, Source::kAlpha, 2, 255, 0xFFFFC0, 0, kNoGraph, 0x00800003, 0, 0},
      // Green 16 at alpha 200, p 200 over green 2: ((64 * 65536 - 48 *
      // 40000) >> 16) >> 5 = 1, where the general blend gives 0.
      {"product keeps green's bits", 0, Source::kAlpha, 11, 200, kBrightOff, 0, kNoGraph, 0x00C80200, 0x0040, 0x0020},
      {"product under bright blends", 0, Source::kAlpha, 11, 200, 0xFEFEFE, 0, kNoGraph, 0x00C80200, 0x0040, 0},
  };
  for (const PixelCase& c : cases) {
    const auto [drawn, neighbour] = DrawOne(c);
    EXPECT_EQ(c.expected, drawn) << c.what;
    EXPECT_EQ(c.dest, neighbour) << c.what;
  }
}

TEST_F(TrianglePixelsTest, RefusedDrawsLeaveTheDestinationUnchanged) {
  RefusalImages img;
  Pixels dest16(0, SourceKind::kDirect, 10, 8, {0x4321});
  Pixels graph(kSoftImgSingle8, SourceKind::kDirect, 5, 4, {7});
  SOFTIMG released{};
  CreateSubSoftImg(&released, &img.src32.view, 0, 0, 5, 4);
  ReleaseSoftImg(&released);
  SOFTIMG empty{};
  CreateSubSoftImg(&empty, &img.src32.view, 0, 0, 0, 4);
  struct Refusal {
    const char* what;
    Pixels* dest;
    const SOFTIMG* src;
    const SOFTIMG* graph;
    int mode, param;
    IntRect area;
  };
  const IntRect all{0, 0, 10, 8};
  const Refusal refusals[] = {
      {"16-bit source on 32-bit", &img.dest32, &img.src16.view, nullptr, 0, 0, all},
      {"32-bit source on 16-bit", &dest16, &img.src32.view, nullptr, 0, 0, all},
      {"palettised destination", &img.palDest, nullptr, nullptr, 0, 0, all},
      {"destination with alpha", &img.alphaDest, nullptr, nullptr, 0, 0, all},
      {"single-channel solid", &img.single, nullptr, nullptr, 0, 0, all},
      {"single-channel textured", &img.single, &img.single.view, nullptr, 0, 0, all},
      {"released source", &img.dest32, &released, nullptr, 0, 0, all},
      {"empty source", &img.dest32, &empty, nullptr, 0, 0, all},
      {"blend graph narrower than the source", &img.dest32, &img.src32.view, &img.smallGraph.view, 0, 0, all},
      {"empty area", &img.dest32, &img.src32.view, &graph.view, 0, 0, IntRect{3, 3, 3, 8}},
      {"area outside the image", &img.dest32, nullptr, nullptr, 0, 0, IntRect{10, 0, 20, 8}},
      {"mode 5", &img.dest32, &img.src32.view, nullptr, 5, 128, all},
      {"mode 9", &img.dest32, nullptr, nullptr, 9, 128, all},
      {"mode 12", &img.dest32, &img.src32.view, nullptr, 12, 128, all},
      {"mode 14", &dest16, nullptr, nullptr, 14, 128, all},
      {"mode -1", &img.dest32, nullptr, nullptr, -1, 128, all},
      {"mode 1 at 0", &dest16, nullptr, nullptr, 1, 0, all},
      {"add at 0", &img.dest32, &img.src32.view, nullptr, 2, 0, all},
      {"subtract at 0", &dest16, nullptr, nullptr, 3, 0, all},
  };
  const TriangleVertex v[3] = {{0, 0, 0, 0}, {8, 0, 4, 0}, {0, 8, 0, 4}};
  for (const Refusal& r : refusals) {
    const uint64_t before = r.dest->Hash();
    UseDrawSettings(r.area, r.mode, r.param);
    DrawTriangleOnSoftImg(&r.dest->view, r.src, v, 0, r.graph, 0x00FFFFFF);
    EXPECT_EQ(before, r.dest->Hash()) << r.what;
  }
  // Nothing to draw into, or no corners: no crash.
  UseDrawSettings(all, 0, 0);
  DrawTriangleOnSoftImg(nullptr, nullptr, v, 0, nullptr, 0);
  DrawTriangleOnSoftImg(&img.dest32.view, nullptr, nullptr, 0, nullptr, 0);
  ReleaseSoftImg(&empty);
}

}  // namespace
