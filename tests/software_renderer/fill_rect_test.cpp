#include "software_renderer/fill_rect.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "support/blit_oracle.h"
#include "support/blit_scenes.h"

namespace {

class FillRectTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

std::string Describe(const SolidCase& c, uint32_t color, const IntRect* r, const IntRect& area) {
  std::string s = "type " + std::to_string(c.colorType) + " mode " + std::to_string(c.mode) + " p " +
                  std::to_string(c.param) + " bright " + std::to_string(c.bright) + " colour " +
                  std::to_string(color) + " area " + std::to_string(area.left) + "," +
                  std::to_string(area.top) + "," + std::to_string(area.right) + "," +
                  std::to_string(area.bottom);
  if (r) {
    s += " rect " + std::to_string(r->left) + "," + std::to_string(r->top) + "," +
         std::to_string(r->right) + "," + std::to_string(r->bottom);
  }
  return s;
}

// Random rectangles (corners in any order, often past the image, sometimes
// null) in every mode, parameter and bright, compared byte for byte with the
// reference model.
TEST_F(FillRectTest, EveryMemberMatchesTheReferenceRules) {
  std::mt19937 rng(7411);
  ForEachSolidCase(rng, 6, [&rng](const SolidCase& c) {
    const int w = 1 + static_cast<int>(rng() % 19), h = 1 + static_cast<int>(rng() % 7);
    GuardedImage real(c.colorType, w, h, static_cast<int>(rng() % 3) * 2 * (c.colorType == 0 ? 1 : 2), rng);
    GuardedImage expected(real);
    const IntRect area = RandomDrawArea(w, h, rng);
    auto coord = [&](int extent) { return static_cast<int>(rng() % (extent + 8)) - 4; };
    IntRect rect{coord(w), coord(h), coord(w), coord(h)};
    const IntRect* r = rng() % 6 == 0 ? nullptr : &rect;
    uint32_t color = rng();
    if (c.colorType == 0 && rng() % 2) color &= 0xFFFF;
    UseDrawSettings(area, c.mode, c.param, c.bright);
    FillRectOnSoftImg(&real.view, r, color);
    OracleFillRect(&expected.view, r, color, OracleSettingsOf(area, c.mode, c.param, c.bright, 0, 0, 0));
    const std::string difference = FirstDifference(real, expected);
    if (!difference.empty()) ADD_FAILURE() << Describe(c, color, r, area) << ": " << difference;
  });
}

struct ColourExample {
  const char* what;
  int colorType;
  int mode;
  int param;
  uint32_t bright;
  uint32_t color;
  uint32_t dest;
  uint32_t expected;
};

TEST_F(FillRectTest, WorkedExamplesGiveTheirPixels) {
  const ColourExample examples[] = {
      {"alpha 255 writes the top byte", 1, 1, 255, 0xFFFFFF, 0xAB102030, Bgrx(1, 2, 3, 4), 0xAB102030},
      {"alpha 128, white over black", 1, 1, 128, 0xFFFFFF, 0x00FFFFFF, Bgrx(0, 0, 0, 9), Bgrx(127, 127, 127, 9)},
      {"alpha 128, black over white", 1, 1, 128, 0xFFFFFF, 0x00000000, Bgrx(255, 255, 255, 9), Bgrx(127, 127, 127, 9)},
      {"add 255 carries into the top byte", 1, 2, 255, 0xFFFFFF, 0x808080, 0x808080, 0x1FFFFFF},
      {"add 255 keeps low bits", 1, 2, 255, 0xFFFFFF, 0x010101, 0x010101, 0x010102},
      {"subtract red", 1, 3, 255, 0xFFFFFF, 0xFF0000, 0x808080, 0x8180},
      {"subtract ones", 1, 3, 255, 0xFFFFFF, 0x010101, 0x808080, Bgrx(0x7F, 0x81, 0x81, 0)},
      {"16 add saturates", 0, 2, 255, 0xFFFFFF, 0x0001, 0xFFFF, 0xFFFF},
      {"16 add low bits", 0, 2, 255, 0xFFFFFF, 0x0821, 0x0821, 0x0822},
      {"16 subtract green", 0, 3, 255, 0xFFFFFF, 0x0020, 0x07E0, 0x0FC0},
      {"16 alpha 128, white over black", 0, 1, 128, 0xFFFFFF, 0xFFFF, 0x0000, 0x7BEF},
      {"16 alpha 128, black over white", 0, 1, 128, 0xFFFFFF, 0x0000, 0xFFFF, 0x8410},
      {"multiply keeps the top byte", 1, 4, 0, 0xFFFFFF, Bgrx(0x20, 0x40, 0x80, 0), Bgrx(255, 255, 255, 0x12), Bgrx(0x1F, 0x3F, 0x7F, 0x12)},
      {"bright scales the colour", 1, 0, 0, 0x804020, 0xFFFFFFFF, 0, Bgrx(0x1F, 0x3F, 0x7F, 0xFF)},
      {"toward the product at 128", 1, 11, 128, 0xFFFFFF, 0x808080, Bgrx(0, 0x80, 0xFF, 0), Bgrx(0, 0x60, 0xBF, 0)},
      {"inverted at 0 leaves the pixel", 1, 10, 0, 0xFFFFFF, 0x123456, 0x654321, 0x654321},
      {"product at 0 leaves the pixel", 1, 11, 0, 0xFFFFFF, 0x123456, 0x654321, 0x654321},
      {"bright 255 still lowers 255", 1, 0, 0, 0xFFFF00, 0xFFFFFF, 0, Bgrx(0, 254, 254, 0)},
      {"bright off keeps the colour", 1, 0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF},
      {"mode 5 draws nothing", 1, 5, 128, 0xFFFFFF, 0xFFFFFF, 7, 7},
      {"mode 9 draws nothing", 1, 9, 128, 0xFFFFFF, 0xFFFFFF, 7, 7},
      {"mode 12 draws nothing", 1, 12, 128, 0xFFFFFF, 0xFFFFFF, 7, 7},
      {"mode 14 draws nothing", 1, 14, 128, 0xFFFFFF, 0xFFFFFF, 7, 7},
      {"alpha 0 draws nothing", 1, 1, 0, 0xFFFFFF, 0xFFFFFF, 7, 7},
  };
  for (const auto& e : examples) {
    Pixels target(e.colorType, SourceKind::kDirect, 1, 1, {e.dest});
    UseDrawSettings(IntRect{0, 0, 1, 1}, e.mode, e.param, e.bright);
    FillRectOnSoftImg(&target.view, nullptr, e.color);
    EXPECT_EQ(e.expected, target.At(0, 0)) << e.what;
  }
}

TEST_F(FillRectTest, RectanglesAreOrderedAndClipped) {
  struct Case {
    IntRect area;
    bool useRect;
    IntRect rect;
    IntRect filled;  // empty when nothing is filled
  };
  const IntRect full{0, 0, 8, 5};
  const Case cases[] = {
      {full, true, {6, 4, 2, 1}, {2, 1, 6, 4}},
      {full, true, {2, 1, 2, 4}, {0, 0, 0, 0}},
      {full, true, {-5, -5, 3, 2}, {0, 0, 3, 2}},
      {full, true, {9, 1, 12, 4}, {0, 0, 0, 0}},
      {{1, 1, 7, 4}, false, {}, {1, 1, 7, 4}},
      {{-4, -4, 20, 20}, false, {}, {0, 0, 8, 5}},  // an area past the image stops at its edges
  };
  for (const Case& c : cases) {
    Pixels target(1, SourceKind::kDirect, 8, 5, {0});
    UseDrawSettings(c.area, 0, 0);
    FillRectOnSoftImg(&target.view, c.useRect ? &c.rect : nullptr, 0x123456);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 8; ++x) {
        const bool inside = x >= c.filled.left && x < c.filled.right && y >= c.filled.top && y < c.filled.bottom;
        EXPECT_EQ(inside ? 0x123456u : 0u, target.At(x, y))
            << x << "," << y << " rect " << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
      }
    }
  }
}

TEST_F(FillRectTest, TargetsWithPaletteOrAlphaAreNeverChanged) {
  for (int mode : {0, 1, 2, 3, 4, 10, 11}) {
    for (int colorType : {0, 1}) {
      Pixels palettised(colorType, SourceKind::kPalettised, 6, 3, {9});
      Pixels withAlpha(colorType, SourceKind::kAlpha, 6, 3, {0x12345678});
      Pixels single(2, SourceKind::kDirect, 6, 3, {9});
      for (Pixels* target : {&palettised, &withAlpha, &single}) {
        const uint64_t before = target->Hash();
        UseDrawSettings(IntRect{0, 0, 6, 3}, mode, 200, 0x808080);
        FillRectOnSoftImg(&target->view, nullptr, 0xFFFFFF);
        EXPECT_EQ(before, target->Hash()) << mode << " " << colorType;
      }
    }
  }
  SOFTIMG released{};
  FillRectOnSoftImg(&released, nullptr, 0xFFFFFF);  // not valid: nothing happens
}

}  // namespace
