#include "software_renderer/plain_blit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"
#include "support/blit_oracle.h"
#include "support/blit_scenes.h"

namespace {

using Kind = SourceKind;

class PlainBlitTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

// Every case draws random scenes at random places through the blit and
// through the oracle and compares every byte of the destination buffer.
TEST_F(PlainBlitTest, EveryMemberMatchesTheReferenceRules) {
  std::mt19937 rng(20240611);
  ForEachBlitCase(rng, [&rng](const BlitCase& c) {
    BlitScene scene(c, rng);
    const int x = static_cast<int>(rng() % static_cast<unsigned>(scene.real->view.width + scene.sourceWidth + 4)) - scene.sourceWidth - 2;
    const int y = static_cast<int>(rng() % static_cast<unsigned>(scene.real->view.height + scene.sourceHeight + 4)) - scene.sourceHeight - 2;
    DrawImageOnSoftImg(&scene.real->view, &scene.source->view, x, y, c.transFlag, scene.Graph());
    OracleDrawImage(&scene.expected->view, &scene.source->view, x, y, c.transFlag, scene.Graph(), scene.oracle);
    scene.Compare("at " + std::to_string(x) + "," + std::to_string(y));
  });
}

void UseSettings(int w, int h, int mode, int param, uint32_t bright = 0xFFFFFF) {
  UseDrawSettings(IntRect{0, 0, w, h}, mode, param, bright);
}

struct WorkedExample {
  const char* what;
  int colorType;
  Kind kind;
  int mode;
  int param;
  uint32_t bright;
  int transFlag;
  uint32_t texel;
  uint32_t dest;
  uint32_t expected;
};

TEST_F(PlainBlitTest, WorkedExamplesGiveTheirPixels) {
  const WorkedExample examples[] = {
      {"alpha blend 100", 1, Kind::kDirect, 1, 100, 0xFFFFFF, 0, Bgrx(200, 200, 200, 0), Bgrx(50, 50, 50, 9), Bgrx(108, 108, 108, 9)},
      {"halving", 1, Kind::kDirect, 1, 128, 0xFFFFFF, 0, Bgrx(1, 3, 255, 0), Bgrx(1, 3, 1, 170), Bgrx(0, 2, 127, 0)},
      {"no halving with bright", 1, Kind::kDirect, 1, 128, 0xFEFEFE, 0, Bgrx(1, 3, 255, 0), Bgrx(1, 3, 1, 170), Bgrx(0, 2, 127, 170)},
      {"full add carries", 1, Kind::kDirect, 2, 255, 0xFFFFFF, 0, Bgrx(100, 1, 1, 0), Bgrx(200, 200, 200, 0), Bgrx(255, 201, 200, 0)},
      {"add 254 carries", 1, Kind::kDirect, 2, 254, 0xFFFFFF, 0, Bgrx(100, 1, 1, 0), Bgrx(200, 200, 200, 0), Bgrx(255, 201, 200, 0)},
      {"full add drops bit 0", 1, Kind::kDirect, 2, 255, 0xFFFFFF, 0, Bgrx(0, 1, 1, 0), Bgrx(0, 2, 2, 0), Bgrx(0, 2, 2, 0)},
      {"opaque alpha add ors", 1, Kind::kAlpha, 2, 255, 0xFFFFFF, 1, Bgrx(0, 1, 1, 255), Bgrx(0, 2, 2, 0), Bgrx(0, 3, 3, 0)},
      {"16 full add green", 0, Kind::kDirect, 2, 255, 0xFFFFFF, 0, 0x07E0, 0x07E0, 0x0FC0},
      {"16 opaque alpha add green", 0, Kind::kAlpha, 2, 255, 0xFFFFFF, 1, 0x00FF07E0, 0x07E0, 0x0FE0},
      {"16 full subtract of 0", 0, Kind::kDirect, 3, 255, 0xFFFFFF, 0, 0x0000, 0x0000, 0x0800},
      {"16 multiply white", 0, Kind::kDirect, 4, 0, 0xFFFFFF, 0, 0xFFFF, 0xFFFF, (30u << 11) | (62u << 5) | 30u},
      {"16 six-bit mix at 3", 0, Kind::kDirect, 1, 3, 0xFFFFFF, 0, 0xFFFF, 0x0000, 0x0000},
      {"16 six-bit mix at 4", 0, Kind::kDirect, 1, 4, 0xFFFFFF, 0, 0xFFFF, 0x0000, 0x0020},
      {"alpha copied whole", 1, Kind::kAlpha, 0, 0, 0xFFFFFF, 0, Bgrx(0, 0, 255, 128), Bgrx(255, 0, 0, 0), Bgrx(0, 0, 255, 128)},
      {"alpha applied under trans", 1, Kind::kAlpha, 0, 0, 0xFFFFFF, 1, Bgrx(0, 0, 255, 128), Bgrx(255, 0, 0, 0), Bgrx(127, 0, 127, 0)},
      {"alpha applied under bright", 1, Kind::kAlpha, 0, 0, 0xFEFEFE, 0, Bgrx(0, 0, 255, 128), Bgrx(255, 0, 0, 0), Bgrx(127, 0, 127, 0)},
      {"multiply alpha 0 is black", 1, Kind::kAlpha, 4, 0, 0xFFFFFF, 1, Bgrx(200, 200, 200, 0), Bgrx(128, 128, 128, 7), Bgrx(0, 0, 0, 7)},
      {"multiply alpha 255", 1, Kind::kAlpha, 4, 0, 0xFFFFFF, 1, Bgrx(128, 128, 128, 255), Bgrx(128, 128, 128, 7), Bgrx(64, 64, 64, 7)},
      {"opaque texel, param only", 1, Kind::kAlpha, 1, 200, 0xFFFFFF, 1, Bgrx(0, 0, 255, 255), Bgrx(255, 0, 0, 0), Bgrx(55, 0, 199, 0)},
      {"opaque texel, alpha weighs", 1, Kind::kAlpha, 1, 200, 0xFFFFFF, 0, Bgrx(0, 0, 255, 255), Bgrx(255, 0, 0, 0), Bgrx(56, 0, 198, 0)},
      {"inverted black on black", 1, Kind::kDirect, 10, 255, 0xFFFFFF, 0, Bgrx(0, 0, 0, 0), Bgrx(0, 0, 0, 0), Bgrx(254, 254, 254, 0)},
      {"product white on 200", 1, Kind::kDirect, 11, 255, 0xFFFFFF, 0, Bgrx(255, 255, 255, 0), Bgrx(200, 200, 200, 0), Bgrx(199, 199, 199, 0)},
      {"alpha 255 mode 1 is mode 0", 1, Kind::kAlpha, 1, 255, 0xFFFFFF, 0, Bgrx(1, 2, 3, 40), Bgrx(9, 9, 9, 9), Bgrx(1, 2, 3, 40)},
      {"mode 1 at 0 draws nothing", 1, Kind::kDirect, 1, 0, 0xFFFFFF, 0, Bgrx(1, 2, 3, 4), Bgrx(9, 9, 9, 9), Bgrx(9, 9, 9, 9)},
      // The six-bit mix is for F = (p) without bright only: with the bright
      // on, green 0 + D(4, 63) = 0.
      {"16 no six-bit mix under bright", 0, Kind::kDirect, 1, 4, 0xFEFFFF, 0, 0xFFFF, 0x0000, 0x0000},
      // 16-bit add with alpha and bright: blue 3 at alpha 128 is 1, then
      // S(192, 1) = 0; the bright first would give S(192, 3) = 2, then 1.
      {"16 alpha before bright in add", 0, Kind::kAlpha, 2, 255, 0xFFFFC0, 0, 0x00800003, 0x0000, 0x0000},
      // 16-bit product with alpha 200, p 200, texel green 16 over green 2:
      // D' = 64, M' = 16, ((64 * 65536 - 48 * 40000) >> 16) >> 5 = 1, where
      // the general blend gives 2 + ((0 - 2) * 40000 >> 16) = 0.
      {"16 product keeps green's bits", 0, Kind::kAlpha, 11, 200, 0xFFFFFF, 0, 0x00C80200, 0x0040, 0x0020},
      {"16 product under bright blends", 0, Kind::kAlpha, 11, 200, 0xFEFEFE, 0, 0x00C80200, 0x0040, 0x0000},
  };
  // The reference model is held to the same numbers, so that a condition it
  // shares with the blit cannot be wrong in both.
  for (const auto& e : examples) {
    Pixels src(e.colorType, e.kind, 1, 1, {e.texel}, 0xFFFFFFFF);
    Pixels dest(e.colorType, Kind::kDirect, 1, 1, {e.dest});
    Pixels model(e.colorType, Kind::kDirect, 1, 1, {e.dest});
    UseSettings(1, 1, e.mode, e.param, e.bright);
    DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, e.transFlag, nullptr);
    EXPECT_EQ(e.expected, dest.At(0, 0)) << e.what;
    OracleDrawImage(&model.view, &src.view, 0, 0, e.transFlag, nullptr,
                    OracleSettingsOf(IntRect{0, 0, 1, 1}, e.mode, e.param, e.bright, 0, 0, 0));
    EXPECT_EQ(e.expected, model.At(0, 0)) << e.what << " (reference model)";
  }
}

TEST_F(PlainBlitTest, ZeroSubtractOnAPalettisedSourceMovesLowBits) {
  for (const auto& [dest, expected] : {std::pair{Bgrx(10, 10, 10, 3), Bgrx(10, 11, 11, 0)},
                                       std::pair{Bgrx(0, 0, 0, 3), Bgrx(0, 1, 1, 0)}}) {
    Pixels src(1, Kind::kPalettised, 1, 1, {0});
    Pixels out(1, Kind::kDirect, 1, 1, {dest});
    UseSettings(1, 1, 3, 0);
    DrawImageOnSoftImg(&out.view, &src.view, 0, 0, 0, nullptr);
    EXPECT_EQ(expected, out.At(0, 0));
  }
}

TEST_F(PlainBlitTest, TransparentColourComparesTheWholePixel) {
  // Equal in the low 24 bits only: drawn.
  Pixels src(1, Kind::kDirect, 2, 1, {Bgrx(1, 2, 3, 0), Bgrx(1, 2, 3, 1)}, Bgrx(1, 2, 3, 0));
  Pixels dest(1, Kind::kDirect, 2, 1, {Bgrx(9, 9, 9, 9)});
  UseSettings(2, 1, 0, 0);
  DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, 1, nullptr);
  EXPECT_EQ(Bgrx(9, 9, 9, 9), dest.At(0, 0));
  EXPECT_EQ(Bgrx(1, 2, 3, 1), dest.At(1, 0));
}

TEST_F(PlainBlitTest, GroupsOfIndex255AreDrawnWhenNoIndexIsTransparent) {
  for (uint32_t trans : {0xFFFFu, 256u}) {
    Pixels src(1, Kind::kPalettised, 9, 1, {255}, trans);
    std::memcpy(src.view.body->paletteBlock + 255 * 4, "\x11\x22\x33\x44", 4);
    Pixels dest(1, Kind::kDirect, 9, 1, {0});
    UseSettings(9, 1, 0, 0);
    DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, 1, nullptr);
    for (int x = 0; x < 9; ++x) EXPECT_EQ(0x44332211u, dest.At(x, 0)) << x;
  }
  Pixels src(1, Kind::kPalettised, 9, 1, {7, 7, 7, 7, 7, 1, 7, 7, 7}, 7);
  std::memcpy(src.view.body->paletteBlock + 1 * 4, "\x01\x02\x03\x04", 4);
  Pixels dest(1, Kind::kDirect, 9, 1, {5});
  UseSettings(9, 1, 0, 0);
  DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, 1, nullptr);
  for (int x = 0; x < 9; ++x) EXPECT_EQ(x == 5 ? 0x04030201u : 5u, dest.At(x, 0)) << x;
}

TEST_F(PlainBlitTest, IndicesBeyondThePaletteCountReadTheImagesOwnPalette) {
  // A first draw leaves another palette behind; the second image's index 5 is
  // past its count and must read its own (black) entry in every member.
  struct Member { int colorType, mode, param; };
  for (const Member m : {Member{0, 0, 0}, Member{0, 1, 128}, Member{0, 1, 100}, Member{0, 2, 255},
                         Member{0, 3, 255}, Member{1, 2, 255}, Member{1, 0, 0}}) {
    const int entry = m.colorType == 1 ? 4 : 2;
    Pixels first(m.colorType, Kind::kPalettised, 1, 1, {5});
    std::memset(first.view.body->paletteBlock, 0xFF, 256 * static_cast<size_t>(entry));
    first.view.body->paletteCount = 256;
    Pixels second(m.colorType, Kind::kPalettised, 1, 1, {5});
    second.view.body->paletteCount = 2;
    Pixels scratch(m.colorType, Kind::kDirect, 1, 1, {0});
    Pixels dest(m.colorType, Kind::kDirect, 1, 1, {0});
    UseSettings(1, 1, m.mode, m.param);
    DrawImageOnSoftImg(&scratch.view, &first.view, 0, 0, 0, nullptr);
    DrawImageOnSoftImg(&dest.view, &second.view, 0, 0, 0, nullptr);
    EXPECT_EQ(m.mode == 3 ? 0x0800u : 0u, dest.At(0, 0)) << m.colorType << " " << m.mode << " " << m.param;
  }
}

TEST_F(PlainBlitTest, SixteenBitPairsCarryIntoTheRightPixelsBlue) {
  // Left red overflows: as a pair the carry lands in the right pixel's blue.
  Pixels src(0, Kind::kDirect, 2, 1, {0x1000, 0x0000});
  Pixels pair(0, Kind::kDirect, 2, 1, {0xF800, 0x0000});
  UseSettings(2, 1, 2, 255);
  DrawImageOnSoftImg(&pair.view, &src.view, 0, 0, 0, nullptr);
  EXPECT_EQ(0xF800u, pair.At(0, 0));
  EXPECT_EQ(0x0001u, pair.At(1, 0));
  // The same pixels drawn one at a time keep the right pixel as it was.
  Pixels single(0, Kind::kDirect, 1, 1, {0x0000});
  Pixels one(0, Kind::kDirect, 1, 1, {0x0000});
  UseSettings(1, 1, 2, 255);
  DrawImageOnSoftImg(&one.view, &single.view, 0, 0, 0, nullptr);
  EXPECT_EQ(0x0000u, one.At(0, 0));
}

TEST_F(PlainBlitTest, ClippingDrawsTheVisiblePart) {
  std::vector<uint32_t> values;
  for (uint32_t i = 0; i < 20; ++i) values.push_back(0x100 + i);
  Pixels src(1, Kind::kDirect, 5, 4, values);
  Pixels dest(1, Kind::kDirect, 10, 8, {0});
  UseSettings(10, 8, 0, 0);
  DrawImageOnSoftImg(&dest.view, &src.view, -2, -1, 0, nullptr);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      const uint32_t want = (x < 3 && y < 3) ? 0x100u + static_cast<uint32_t>((y + 1) * 5 + x + 2) : 0u;
      EXPECT_EQ(want, dest.At(x, y)) << x << "," << y;
    }
  }
}

TEST_F(PlainBlitTest, RefusedDrawsLeaveTheDestinationUnchanged) {
  RefusalImages images;
  auto& [src32, src16, dest32, palDest, alphaDest, single, smallGraph] = images;
  SOFTIMG empty{};
  CreateSubSoftImg(&empty, &src32.view, 0, 0, 0, 4);
  SOFTIMG released{};
  CreateSubSoftImg(&released, &src32.view, 0, 0, 5, 4);
  ReleaseSoftImg(&released);
  struct Refusal {
    const char* what;
    Pixels* dest;
    const SOFTIMG* src;
    int x, mode, param;
    IntRect area;
    const SOFTIMG* graph;
  };
  const IntRect full{0, 0, 10, 8};
  const Refusal refusals[] = {
      {"16-bit source on 32-bit", &dest32, &src16.view, 0, 0, 0, full, nullptr},
      {"palettised destination", &palDest, &src32.view, 0, 0, 0, full, nullptr},
      {"destination with alpha", &alphaDest, &src32.view, 0, 0, 0, full, nullptr},
      {"single-channel images", &dest32, &single.view, 0, 0, 0, full, nullptr},
      {"empty source", &dest32, &empty, 0, 0, 0, full, nullptr},
      {"released source", &dest32, &released, 0, 0, 0, full, nullptr},
      {"blend graph too small", &dest32, &src32.view, 0, 0, 0, full, &smallGraph.view},
      {"left of the area", &dest32, &src32.view, -10, 0, 0, full, nullptr},
      {"area ends at the left edge", &dest32, &src32.view, 4, 0, 0, IntRect{0, 0, 4, 8}, nullptr},
      {"far right", &dest32, &src32.view, INT_MAX - 2, 0, 0, full, nullptr},
      {"mode 5", &dest32, &src32.view, 0, 5, 128, full, nullptr},
      {"mode 9", &dest32, &src32.view, 0, 9, 128, full, nullptr},
      {"mode 12", &dest32, &src32.view, 0, 12, 128, full, nullptr},
      {"mode -1", &dest32, &src32.view, 0, -1, 128, full, nullptr},
      {"add at 0", &dest32, &src32.view, 0, 2, 0, full, nullptr},
      {"subtract at 0", &dest32, &src32.view, 0, 3, 0, full, nullptr},
  };
  for (const auto& r : refusals) {
    const uint64_t before = r.dest->Hash();
    GetSoftDrawSettings() = SoftDrawSettings{r.area, r.mode, r.param, 0xFFFFFF, 0};
    DrawImageOnSoftImg(&r.dest->view, r.src, r.x, 0, 0, r.graph);
    EXPECT_EQ(before, r.dest->Hash()) << r.what;
  }
  ReleaseSoftImg(&empty);
}

TEST_F(PlainBlitTest, AllTransparentSourceChangesNothingInAnyMode) {
  for (int mode : {0, 1, 2, 3, 4, 10, 11}) {
    for (int colorType : {0, 1}) {
      Pixels src(colorType, Kind::kDirect, 6, 3, {0x4321}, 0x4321);
      Pixels dest(colorType, Kind::kDirect, 8, 4, {0x0F0F});
      const uint64_t before = dest.Hash();
      UseSettings(8, 4, mode, 255);
      DrawImageOnSoftImg(&dest.view, &src.view, 1, 1, 1, nullptr);
      EXPECT_EQ(before, dest.Hash()) << mode << " " << colorType;
    }
  }
}

}  // namespace
