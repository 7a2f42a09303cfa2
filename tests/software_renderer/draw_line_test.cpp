#include "software_renderer/draw_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "software_renderer/solid_rules.h"
#include "support/blit_oracle.h"
#include "support/blit_scenes.h"

namespace {

using Point = std::pair<int, int>;

class DrawLineTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

// Pixels of the image that are not zero.
std::set<Point> Drawn(const Pixels& image) {
  std::set<Point> points;
  for (int y = 0; y < image.view.height; ++y) {
    for (int x = 0; x < image.view.width; ++x) {
      if (image.At(x, y) != 0) points.insert({x, y});
    }
  }
  return points;
}

// Points from (x, y) stepping count times by (dx, dy).
std::set<Point> PointsFrom(int x, int y, int dx, int dy, int count) {
  std::set<Point> points;
  for (int i = 0; i < count; ++i) points.insert({x + i * dx, y + i * dy});
  return points;
}

std::set<Point> Join(std::set<Point> a, const std::set<Point>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

TEST_F(DrawLineTest, WorkedExamplesDrawTheirPixels) {
  struct Case {
    const char* what;
    IntRect area;
    int x1, y1, x2, y2;
    std::set<Point> pixels;
  };
  const IntRect screen{0, 0, 320, 240};
  const IntRect small{3, 2, 20, 15};
  const Case cases[] = {
      {"shallow", screen, 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {"leftwards", screen, 10, 0, 0, 3, Join(Join(PointsFrom(10, 0, -1, 0, 4), PointsFrom(6, 1, -1, 0, 3)), PointsFrom(3, 2, -1, 0, 3))},
      {"one step", screen, 3, 3, 4, 3, {{3, 3}}},
      {"one point", screen, 3, 3, 3, 3, {}},
      {"past the right edge", screen, 5, 5, 400, 5, PointsFrom(5, 5, 1, 0, 315)},
      {"from past the right edge", screen, 400, 5, 5, 5, PointsFrom(319, 5, -1, 0, 314)},
      {"from past the corner", screen, -10, -10, 10, 10, PointsFrom(0, 0, 1, 1, 10)},
      {"last corner", screen, 319, 239, 320, 240, {{319, 239}}},
      {"from outside the last corner", screen, 320, 240, 319, 239, {}},
      {"steep", screen, 2, 0, 4, 4, {{2, 0}, {2, 1}, {3, 2}, {3, 3}}},
      // From (4, 2) to (18, 14): 15 steps along x, 13 down.
      {"through a small area", small, -5, -7, 30, 25,
       {{4, 2}, {5, 2}, {6, 3}, {7, 4}, {8, 5}, {9, 6}, {10, 7}, {11, 8}, {12, 8}, {13, 9}, {14, 10},
        {15, 11}, {16, 12}, {17, 13}, {18, 14}}},
      // Clipped to (0, 0) and (-49, -1), then clamped to (0, 0) and (-1, -1).
      {"passing the corner", screen, -100, 50, 50, -100, {{0, 0}}},
      // Clipped to (-3, 9) and (-2, 10), then clamped to (0, 9) and (-1, 10).
      {"passing below the corner", IntRect{0, 0, 10, 10}, 5, 20, -10, 0, {{0, 9}}},
  };
  for (const Case& c : cases) {
    Pixels image(1, SourceKind::kDirect, 320, 240, {0});
    UseDrawSettings(c.area, 0, 0);
    DrawLineOnSoftImg(&image.view, c.x1, c.y1, c.x2, c.y2, 0xFFFFFF);
    EXPECT_EQ(c.pixels, Drawn(image)) << c.what;
  }
}

TEST_F(DrawLineTest, ReversedLineThroughASmallAreaStartsAtItsOtherEnd) {
  Pixels image(1, SourceKind::kDirect, 320, 240, {0});
  UseDrawSettings(IntRect{3, 2, 20, 15}, 0, 0);
  DrawLineOnSoftImg(&image.view, 30, 25, -5, -7, 0xFFFFFF);
  const std::set<Point> drawn = Drawn(image);
  EXPECT_EQ(16u, drawn.size());
  EXPECT_TRUE(drawn.count({19, 14}));
  EXPECT_TRUE(drawn.count({4, 2}));
  for (const Point& p : drawn) {
    EXPECT_TRUE(p.first >= 3 && p.first < 20 && p.second >= 2 && p.second < 15) << p.first << "," << p.second;
  }
}

TEST_F(DrawLineTest, ListsDrawEachRecordWithTheSettingsParameter) {
  const LineRecord lines[] = {{0, 0, 3, 0, 0x102030, 0}, {0, 2, 0, 4, 0x405060, 255}};
  for (int count : {0, -1}) {
    Pixels image(1, SourceKind::kDirect, 4, 5, {0});
    UseDrawSettings(IntRect{0, 0, 4, 5}, 1, 128);
    DrawLinesOnSoftImg(&image.view, lines, count);
    EXPECT_TRUE(Drawn(image).empty()) << count;
  }
  Pixels image(1, SourceKind::kDirect, 4, 5, {0});
  UseDrawSettings(IntRect{0, 0, 4, 5}, 1, 128);
  DrawLinesOnSoftImg(&image.view, lines, 2);
  // Both lines blend at the settings' 128, whatever the record's field says.
  EXPECT_EQ(Join(PointsFrom(0, 0, 1, 0, 3), PointsFrom(0, 2, 0, 1, 2)), Drawn(image));
  EXPECT_EQ(0x081018u, image.At(0, 0));
  EXPECT_EQ(0x202830u, image.At(0, 3));
}

TEST_F(DrawLineTest, TargetsWithPaletteOrAlphaAreNeverChanged) {
  for (int colorType : {0, 1}) {
    Pixels palettised(colorType, SourceKind::kPalettised, 6, 3, {9});
    Pixels withAlpha(colorType, SourceKind::kAlpha, 6, 3, {0x12345678});
    for (Pixels* target : {&palettised, &withAlpha}) {
      const uint64_t before = target->Hash();
      UseDrawSettings(IntRect{0, 0, 6, 3}, 0, 0);
      DrawLineOnSoftImg(&target->view, 0, 0, 6, 3, 0xFFFFFF);
      EXPECT_EQ(before, target->Hash()) << colorType;
    }
  }
}

// Random lines, from short ones inside the image to ones with far and
// extreme coordinates, in every mode, parameter and bright, compared byte
// for byte with the reference model; no pixel outside the area may change.
TEST_F(DrawLineTest, EveryMemberMatchesTheReferenceRules) {
  std::mt19937 rng(9901);
  ForEachSolidCase(rng, 8, [&rng](const SolidCase& c) {
    const int w = 1 + static_cast<int>(rng() % 24), h = 1 + static_cast<int>(rng() % 16);
    GuardedImage real(c.colorType, w, h, static_cast<int>(rng() % 3) * 4, rng);
    GuardedImage expected(real);
    const GuardedImage before(real);
    const IntRect area = RandomDrawArea(w, h, rng);
    auto coord = [&](int extent) {
      switch (rng() % 8) {
        case 0: return static_cast<int>(rng() % 2001) - 1000;
        case 1: return static_cast<int>(rng());  // anywhere in the int range
        case 2: return rng() % 2 ? INT_MAX : INT_MIN;
        default: return static_cast<int>(rng() % static_cast<unsigned>(extent + 12)) - 6;
      }
    };
    const int x1 = coord(w), y1 = coord(h), x2 = coord(w), y2 = coord(h);
    const uint32_t color = c.colorType == 1 ? rng() : rng() & 0xFFFF;
    UseDrawSettings(area, c.mode, c.param, c.bright);
    DrawLineOnSoftImg(&real.view, x1, y1, x2, y2, color);
    OracleDrawLine(&expected.view, x1, y1, x2, y2, color, OracleSettingsOf(area, c.mode, c.param, c.bright, 0, 0, 0));
    std::string difference = FirstDifference(real, expected);
    // Independently of the model: bytes outside the area are as they were.
    const int bpp = c.colorType == 1 ? 4 : 2;
    const int pitch = real.view.body->pitch;
    for (size_t i = 0; i < real.bytes.size() && difference.empty(); ++i) {
      const long offset = static_cast<long>(i) - GuardedImage::kCanary;
      const long row = offset >= 0 ? offset / pitch : -1;
      const long column = offset >= 0 ? (offset % pitch) / bpp : -1;
      const bool inArea = offset >= 0 && row < h && column < w && column >= area.left &&
                          column < area.right && row >= area.top && row < area.bottom;
      if (!inArea && real.bytes[i] != before.bytes[i]) difference = "outside the area at byte " + std::to_string(offset);
    }
    if (!difference.empty()) {
      ADD_FAILURE() << "type " << c.colorType << " mode " << c.mode << " p " << c.param << " bright "
                    << c.bright << " line " << x1 << "," << y1 << " to " << x2 << "," << y2 << " in " << w
                    << "x" << h << " area " << area.left << "," << area.top << "," << area.right << ","
                    << area.bottom << ": " << difference;
    }
  });
}

// Lines stepping along y and along x, of every length from 0 to 67 pixels
// from first points at every alignment in a row, each direction and slope
// (along x from flat, drawn in row spans, to diagonal, drawn pixel by pixel),
// in every mode: the same bytes as the scalar rule applied pixel by pixel
// where the stepping rule puts them (pixel i lies i steps along the major
// axis and floor(i * minor distance / major distance) steps across).
template <bool Is32, size_t... I>
void CompareLines(std::mt19937& rng, int* failures, std::index_sequence<I...>) {
  auto one = [&](auto modeIndex) {
    constexpr int kMode = blend::kDrawnModes[decltype(modeIndex)::value];
    constexpr int kBytes = Is32 ? 4 : 2;
    constexpr int kWidth = 160, kHeight = 70;
    for (int length = 0; length <= 67; ++length) {
      for (int align = 0; align < 32; ++align) {
        const bool alongY = align < 16;
        SOFTIMG image{};
        ASSERT_EQ(0, CreateSoftImg(&image, kWidth, kHeight, -1, 0, Is32 ? 1 : 0, 0, 0, 0, nullptr));
        const int pitch = image.body->pitch;
        const size_t size = static_cast<size_t>(pitch) * kHeight;
        for (size_t i = 0; i < size; ++i) image.pixels[i] = static_cast<uint8_t>(rng());
        std::vector<uint8_t> expected(image.pixels, image.pixels + size);

        // Parameters that every mode draws with as its own member.
        const uint32_t params[] = {1, 127, 128, 254, 1 + static_cast<uint32_t>(rng() % 254)};
        const uint32_t param = params[rng() % 5];
        const uint32_t bright = rng() % 2 ? rng() & 0xFFFFFF : 0xFFFFFF;
        const uint32_t color = Is32 ? rng() : rng() & 0xFFFF;
        // Along y the minor distance stays below the length; along x it may
        // equal it.
        const unsigned acrossCases = static_cast<unsigned>(alongY ? length : length + 1);
        const int across = acrossCases > 0 ? static_cast<int>(rng() % acrossCases) : 0;
        const int xSign = rng() % 2 ? 1 : -1, ySign = rng() % 2 ? 1 : -1;
        const int x1 = 72 + align % 16, y1 = ySign > 0 ? 0 : kHeight - 1;
        const int dx = alongY ? across : length, dy = alongY ? length : across;
        const int x2 = x1 + xSign * dx, y2 = y1 + ySign * dy;

        const blend::SolidColor solid =
            blend::PrepareSolidColor<Is32>(color, bright, bright != 0xFFFFFF, param);
        for (int i = 0; i < length; ++i) {
          const int minor = i * across / length;
          const int x = x1 + xSign * (alongY ? minor : i), y = y1 + ySign * (alongY ? i : minor);
          blend::ApplySolid<Is32, kMode>(solid, expected.data() + y * pitch + x * kBytes);
        }
        UseDrawSettings(IntRect{0, 0, kWidth, kHeight}, kMode, static_cast<int>(param), bright);
        DrawLineOnSoftImg(&image, x1, y1, x2, y2, color);
        if (std::memcmp(image.pixels, expected.data(), size) != 0 && ++*failures <= 10) {
          size_t i = 0;
          while (image.pixels[i] == expected[i]) ++i;
          ADD_FAILURE() << (Is32 ? "32-bit" : "16-bit") << " mode " << kMode << " p " << param << " bright "
                        << std::hex << bright << std::dec << " line " << x1 << "," << y1 << " to " << x2 << ","
                        << y2 << ": byte " << i % pitch << " of row " << i / pitch;
        }
        ReleaseSoftImg(&image);
      }
    }
  };
  (one(std::integral_constant<size_t, I>{}), ...);
}

TEST_F(DrawLineTest, LinesOfEveryLengthAndAlignmentGiveTheScalarRuleBytes) {
  std::mt19937 rng(9902);
  int failures = 0;
  CompareLines<true>(rng, &failures, std::make_index_sequence<7>{});
  CompareLines<false>(rng, &failures, std::make_index_sequence<7>{});
  EXPECT_EQ(0, failures);
}

}  // namespace
