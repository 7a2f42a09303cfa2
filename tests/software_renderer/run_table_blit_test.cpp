#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "software_renderer/plain_blit.h"
#include "support/blit_oracle.h"
#include "support/blit_scenes.h"

namespace {

class RunTableBlitTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

// The class of each pixel of the view as a run table states it: 0
// transparent, 1 opaque, 2 translucent.
int ClassOf(const SOFTIMG& view, int x, int y) {
  const SoftImgBody* b = view.body;
  const uint8_t* row = view.pixels + y * b->pitch;
  uint32_t v = 0;
  if (b->palettised) {
    return row[x] == b->transparentColor ? 0 : 1;
  }
  if (b->alpha) {
    std::memcpy(&v, row + 4 * x, 4);
    const uint32_t a = b->colorType == 1 ? v >> 24 : (v >> 16) & 0xFF;
    return a == 0 ? 0 : a == 255 ? 1 : 2;
  }
  std::memcpy(&v, row + (b->colorType == 1 ? 4 : 2) * x, b->colorType == 1 ? 4 : 2);
  return v == b->transparentColor ? 0 : 1;
}

// Runs of up to 64 pixels of one class per code, each row ended by 0xC0.
std::vector<uint8_t> EncodeRows(const std::vector<std::vector<int>>& classes) {
  std::vector<uint8_t> codes;
  for (const auto& row : classes) {
    for (size_t x = 0; x < row.size();) {
      size_t n = 1;
      while (x + n < row.size() && row[x + n] == row[x] && n < 64) ++n;
      codes.push_back(static_cast<uint8_t>(row[x] << 6 | (n - 1)));
      x += n;
    }
    codes.push_back(0xC0);
  }
  return codes;
}

// Writes a run table for the view into its body: the table of its pixels,
// one of random classes, or random bytes that may overrun rows, end early or
// miss their row ends.
void WriteRunTable(SOFTIMG& view, int variant, std::mt19937& rng) {
  SoftImgBody* b = view.body;
  std::vector<uint8_t> codes;
  if (variant == 2) {
    codes.resize(rng() % (b->runTableSize + 1));
    for (auto& c : codes) c = static_cast<uint8_t>(rng() % 3 ? rng() & 0xBF : rng());
  } else {
    std::vector<std::vector<int>> classes(view.height, std::vector<int>(view.width));
    for (int y = 0; y < view.height; ++y) {
      for (int x = 0; x < view.width; ++x) {
        classes[y][x] = variant == 0 ? ClassOf(view, x, y) : static_cast<int>(rng() % 3);
      }
    }
    codes = EncodeRows(classes);
  }
  ASSERT_LE(codes.size(), b->runTableSize);
  std::memset(b->runTable, 0xC0, b->runTableSize);
  if (!codes.empty()) std::memcpy(b->runTable, codes.data(), codes.size());
  b->runTableValid = rng() % 8 ? 1 : 0;
}

// Sources with run tables drawn whole with transparency 1 take the run
// table; clipped ones, transparency 2 and tables marked not valid take the
// plain path. Every byte is compared with the reference model.
TEST_F(RunTableBlitTest, EveryMemberMatchesTheReferenceRules) {
  std::mt19937 rng(5150);
  ForEachBlitCase(rng, [&rng](BlitCase c) {
    if (c.transFlag == 0) c.transFlag = 1;
    BlitScene scene(c, rng, 70, 80, true);
    SOFTIMG& src = scene.source->view;
    WriteRunTable(src, static_cast<int>(rng() % 3), rng);
    // Mostly wholly inside the area, so that the run table is taken.
    const IntRect& a = scene.area;
    const int room = std::min(a.right, scene.real->view.width) - std::max(a.left, 0) - src.width;
    const int roomY = std::min(a.bottom, scene.real->view.height) - std::max(a.top, 0) - src.height;
    int x = static_cast<int>(rng() % 40) - 20, y = static_cast<int>(rng() % 20) - 10;
    if (room >= 0 && roomY >= 0 && rng() % 4) {
      x = std::max(a.left, 0) + static_cast<int>(rng() % static_cast<unsigned>(room + 1));
      y = std::max(a.top, 0) + static_cast<int>(rng() % static_cast<unsigned>(roomY + 1));
    }
    DrawImageOnSoftImg(&scene.real->view, &src, x, y, c.transFlag, scene.Graph());
    OracleDrawImage(&scene.expected->view, &src, x, y, c.transFlag, scene.Graph(), scene.oracle);
    scene.Compare("at " + std::to_string(x) + "," + std::to_string(y) + " valid " +
                  std::to_string(src.body->runTableValid));
  });
}

// Opaque stretches of every length from 0 to 67 (longer than 64: two runs),
// after a transparent run of every length from 0 to 15 and before a short
// translucent one, drawn at several offsets: the runs' vector loops and their
// short tails at every alignment, against the reference model.
TEST_F(RunTableBlitTest, RunsOfEveryLengthAndAlignmentMatchTheReferenceRules) {
  std::mt19937 rng(6060);
  struct Case {
    int colorType;
    SourceKind kind;
    int mode, param;
    bool graph;
  };
  const Case cases[] = {
      {1, SourceKind::kDirect, 0, 0, false}, {1, SourceKind::kAlpha, 0, 0, false},
      {1, SourceKind::kAlpha, 1, 90, false}, {0, SourceKind::kDirect, 0, 0, false},
      {0, SourceKind::kAlpha, 0, 0, false},  {0, SourceKind::kAlpha, 1, 90, false},
      // Blend-graph members, the graph as large as the source.
      {1, SourceKind::kDirect, 0, 0, true},  {1, SourceKind::kAlpha, 11, 200, true},
      {0, SourceKind::kDirect, 2, 90, true}, {0, SourceKind::kAlpha, 1, 90, true},
      {1, SourceKind::kPalettised, 4, 0, true},
  };
  int failures = 0;
  for (const Case& c : cases) {
    for (int length = 0; length <= 67 && failures < 10; ++length) {
      for (int lead = 0; lead < 16; ++lead) {
        const int width = lead + length + 3;
        std::vector<int> classes(static_cast<size_t>(width), 2);
        for (int x = 0; x < lead; ++x) classes[static_cast<size_t>(x)] = 0;
        for (int x = lead; x < lead + length; ++x) classes[static_cast<size_t>(x)] = 1;
        const std::vector<uint8_t> codes = EncodeRows({classes});
        SourceImage source(c.colorType, c.kind, width, 1, rng() % 2, rng, true);
        SOFTIMG& src = source.view;
        ASSERT_LE(codes.size(), src.body->runTableSize);
        std::memcpy(src.body->runTable, codes.data(), codes.size());
        src.body->runTableValid = 1;
        const int x = lead % 4;
        GuardedImage real(c.colorType, width + 4, 1, 0, rng);
        GuardedImage expected(real);
        const IntRect area{0, 0, width + 4, 1};
        std::unique_ptr<GraphImageOf> graph;
        const int bp = static_cast<int>(rng() % 256), br = static_cast<int>(rng() % 256);
        if (c.graph) {
          graph = std::make_unique<GraphImageOf>(width, 1, rng);
          MakeBlendGraphWeightTable(bp, br);
        }
        const SOFTIMG* graphView = graph ? &graph->view : nullptr;
        UseDrawSettings(area, c.mode, c.param);
        DrawImageOnSoftImg(&real.view, &src, x, 0, 1, graphView);
        OracleDrawImage(&expected.view, &src, x, 0, 1, graphView,
                        OracleSettingsOf(area, c.mode, c.param, 0xFFFFFF, 0, bp, br));
        const std::string difference = FirstDifference(real, expected);
        if (!difference.empty()) {
          ADD_FAILURE() << "colour type " << c.colorType << " kind " << static_cast<int>(c.kind) << " mode "
                        << c.mode << " graph " << c.graph << " length " << length << " lead " << lead << ": " << difference;
          ++failures;
        }
      }
    }
  }
}

// A source whose run table calls every pixel transparent: drawing it shows
// which path was taken.
struct HiddenSource {
  Pixels image;
  explicit HiddenSource(int width) : image(1, SourceKind::kDirect, width, 1, {Bgrx(9, 9, 9, 9)}, 0, true) {
    std::vector<uint8_t> codes;
    for (int left = width; left > 0; left -= 64) codes.push_back(static_cast<uint8_t>(std::min(left, 64) - 1));
    codes.push_back(0xC0);
    std::memcpy(image.view.body->runTable, codes.data(), codes.size());
    image.view.body->runTableValid = 1;
  }
};

TEST_F(RunTableBlitTest, OnlyAWholeSourceWithTransparencyOneTakesTheTable) {
  struct Case {
    const char* what;
    int transFlag;
    int x;
    int valid;
    bool tableTaken;
  };
  const Case cases[] = {
      {"whole, transparency 1", 1, 0, 1, true},
      {"transparency 2", 2, 0, 1, false},
      {"clipped by one pixel", 1, -1, 1, false},
      {"table not valid", 1, 0, 0, false},
  };
  for (const Case& c : cases) {
    HiddenSource src(4);
    src.image.view.body->runTableValid = c.valid;
    Pixels dest(1, SourceKind::kDirect, 4, 1, {0});
    UseDrawSettings(IntRect{0, 0, 4, 1}, 0, 0);
    DrawImageOnSoftImg(&dest.view, &src.image.view, c.x, 0, c.transFlag, nullptr);
    EXPECT_EQ(c.tableTaken ? 0u : Bgrx(9, 9, 9, 9), dest.At(c.x < 0 ? 0 : 3, 0)) << c.what;
  }
}

TEST_F(RunTableBlitTest, RunsSkipAndDrawWhatTheirCodesSay) {
  Pixels src(1, SourceKind::kDirect, 100, 1, {Bgrx(1, 2, 3, 4)}, 0, true);
  const uint8_t codes[] = {0x1D, 0x7F, 0x45, 0xC0};
  std::memcpy(src.view.body->runTable, codes, sizeof codes);
  src.view.body->runTableValid = 1;
  Pixels dest(1, SourceKind::kDirect, 100, 1, {0});
  UseDrawSettings(IntRect{0, 0, 100, 1}, 0, 0);
  DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, 1, nullptr);
  for (int x = 0; x < 100; ++x) EXPECT_EQ(x < 30 ? 0u : Bgrx(1, 2, 3, 4), dest.At(x, 0)) << x;
}

TEST_F(RunTableBlitTest, AlphaSourcesBlendOnlyTranslucentRuns) {
  // Alphas 0, 128 and 255: untouched, blended by 128, copied whole.
  const std::vector<uint32_t> texels = {Bgrx(200, 0, 0, 0), Bgrx(200, 0, 0, 128), Bgrx(200, 0, 0, 255)};
  Pixels src(1, SourceKind::kAlpha, 3, 1, texels, 0, true);
  const uint8_t codes[] = {0x00, 0x80, 0x40, 0xC0};
  std::memcpy(src.view.body->runTable, codes, sizeof codes);
  src.view.body->runTableValid = 1;
  Pixels dest(1, SourceKind::kDirect, 3, 1, {Bgrx(0, 0, 0, 7)});
  UseDrawSettings(IntRect{0, 0, 3, 1}, 0, 0);
  DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, 1, nullptr);
  EXPECT_EQ(Bgrx(0, 0, 0, 7), dest.At(0, 0));
  EXPECT_EQ(Bgrx(100, 0, 0, 7), dest.At(1, 0));
  EXPECT_EQ(Bgrx(200, 0, 0, 255), dest.At(2, 0));

  // Multiply skips the alpha-0 run, where the plain path (taken when the
  // source is clipped) turns it black.
  Pixels whole(1, SourceKind::kDirect, 4, 1, {Bgrx(90, 90, 90, 0)});
  UseDrawSettings(IntRect{0, 0, 4, 1}, 4, 0);
  DrawImageOnSoftImg(&whole.view, &src.view, 0, 0, 1, nullptr);
  EXPECT_EQ(Bgrx(90, 90, 90, 0), whole.At(0, 0));
  Pixels clipped(1, SourceKind::kDirect, 2, 1, {Bgrx(90, 90, 90, 0)});
  UseDrawSettings(IntRect{0, 0, 2, 1}, 4, 0);
  DrawImageOnSoftImg(&clipped.view, &src.view, 0, 0, 1, nullptr);
  EXPECT_EQ(Bgrx(0, 0, 0, 0), clipped.At(0, 0));
}

// The run table's own rules, in the blit and in the reference model: no
// six-bit mix (green 0 + D(4, 63) = 0, where the plain path gives 1), no
// halving at 128, and an alpha-0 run skipped in multiply.
TEST_F(RunTableBlitTest, WorkedExamplesGiveTheirPixels) {
  struct Example {
    const char* what;
    int colorType;
    SourceKind kind;
    int mode, param;
    uint8_t code;
    uint32_t texel, dest, expected;
  };
  const Example examples[] = {
      {"16 mode 1 at 4 steps through the table", 0, SourceKind::kDirect, 1, 4, 0x40, 0xFFFF, 0x0000, 0x0000},
      {"no halving at 128", 1, SourceKind::kDirect, 1, 128, 0x40, Bgrx(1, 3, 255, 0), Bgrx(1, 3, 1, 170), Bgrx(1, 3, 128, 170)},
      {"multiply skips an alpha-0 run", 1, SourceKind::kAlpha, 4, 0, 0x00, Bgrx(200, 200, 200, 0), Bgrx(128, 128, 128, 7), Bgrx(128, 128, 128, 7)},
      {"opaque run copies a whole texel", 1, SourceKind::kAlpha, 0, 0, 0x40, Bgrx(0, 0, 255, 128), Bgrx(255, 0, 0, 0), Bgrx(0, 0, 255, 128)},
  };
  for (const Example& e : examples) {
    Pixels src(e.colorType, e.kind, 1, 1, {e.texel}, 0xFFFFFFFF, true);
    const uint8_t codes[] = {e.code, 0xC0};
    std::memcpy(src.view.body->runTable, codes, sizeof codes);
    src.view.body->runTableValid = 1;
    Pixels dest(e.colorType, SourceKind::kDirect, 1, 1, {e.dest});
    Pixels model(e.colorType, SourceKind::kDirect, 1, 1, {e.dest});
    UseDrawSettings(IntRect{0, 0, 1, 1}, e.mode, e.param);
    DrawImageOnSoftImg(&dest.view, &src.view, 0, 0, 1, nullptr);
    EXPECT_EQ(e.expected, dest.At(0, 0)) << e.what;
    OracleDrawImage(&model.view, &src.view, 0, 0, 1, nullptr,
                    OracleSettingsOf(IntRect{0, 0, 1, 1}, e.mode, e.param, 0xFFFFFF, 0, 0, 0));
    EXPECT_EQ(e.expected, model.At(0, 0)) << e.what << " (reference model)";
  }
}

}  // namespace
