// Fonts under the Direct3D renderer: glyphs are kept in a cache graph made
// from a 16-bit staging image with alpha, laid out in cells one pixel in
// from the grid; the graphs live and die with the font and keep their
// handles over a re-creation.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "graphics/font_system.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"

namespace {

class FontTextureCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LibraryOptions options;
    options.title = UniqueWindowTitle("FontTextureCache");
    options.screenWidth = 320;
    options.screenHeight = 240;
    options.hardware = true;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
    ASSERT_EQ(GetScreenSettings().hardwareOn, 1);
  }
  void TearDown() override {
    session_.reset();
    ResetDeviceCoreInputs();
  }
  std::unique_ptr<LibrarySession> session_;
};

uint16_t StagingPixel(const FontRecord& record, int x, int y) {
  uint16_t v;
  std::memcpy(&v,
              static_cast<const uint8_t*>(record.staging.pixels) + y * record.staging.pitch + 2 * x,
              2);
  return v;
}

TEST_F(FontTextureCacheTest, TheCacheIsAGraphOfSquareCellsWithAnEdgeHalf) {
  const int before = GraphLiveCount();
  const int plain = CreateFontToHandle(nullptr, 11, 1, 0, -1, -1, 0, -1, -1);
  const int edged = CreateFontToHandle(nullptr, 11, 1, 1, -1, 2, 0, -1, -1);
  ASSERT_NE(plain, -1);
  ASSERT_NE(edged, -1);
  EXPECT_EQ(GraphLiveCount(), before + 3);
  for (int font : {plain, edged}) {
    const FontRecord* r = GetFontRecord(font);
    ASSERT_NE(r, nullptr);
    const bool edge = font == edged;
    SCOPED_TRACE(edge ? "edged" : "plain");
    EXPECT_EQ(r->textureCache, 1);
    EXPECT_EQ(r->cacheBits, nullptr);
    // 512 x 512 holds (512 / cell)^2 cells, a column of 512 / cell.
    EXPECT_EQ(r->cacheWidth, 512);
    EXPECT_EQ(r->cacheHeight, 512);
    EXPECT_EQ(r->cellsPerColumn, 512 / r->cellSize);
    EXPECT_EQ(r->slotCount, (512 / r->cellSize) * (512 / r->cellSize));
    int w = 0;
    int h = 0;
    ASSERT_EQ(QueryGraphSize(r->cacheGraph, &w, &h), 0);
    EXPECT_EQ(w, edge ? 1024 : 512);
    EXPECT_EQ(h, 512);
    // Glyphs are white with their coverage in 4-bit alpha.
    EXPECT_EQ(r->staging.format.alphaMask, 0xF000u);
    EXPECT_EQ(r->staging.width, edge ? 1024 : 512);
    if (edge) {
      ASSERT_EQ(QueryGraphSize(r->edgeHalfGraph, &w, &h), 0);
      EXPECT_EQ(w, 512);
      EXPECT_EQ(h, 512);
    } else {
      EXPECT_EQ(r->edgeHalfGraph, -1);
    }
  }

  // A glyph lands at its cell's corner, one pixel right and down of the
  // grid: opaque white where it has pixels, its edge in the right half.
  ASSERT_EQ(DrawStringWithFont(10, 10, "I", ComposeColorCode(255, 255, 255), edged, 0, 0), 0);
  const FontRecord* r = GetFontRecord(edged);
  const GlyphSlot* slot = r->index['I'].slot;
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot->cellNumber, 0);
  int glyph = 0;
  int edge = 0;
  for (int y = 0; y < r->cellSize; ++y) {
    for (int x = 0; x < r->cellSize; ++x) {
      glyph += StagingPixel(*r, 1 + x, 1 + y) == 0xFFFF;
      edge += StagingPixel(*r, 513 + x, 1 + y) == 0xFFFF;
    }
  }
  // The grid's own first row and column stay empty.
  for (int i = 0; i < r->cellSize; ++i) {
    EXPECT_EQ(StagingPixel(*r, i, 0), 0) << i;
    EXPECT_EQ(StagingPixel(*r, 0, i), 0) << i;
  }
  EXPECT_GT(glyph, 0);
  // The edge covers the glyph and a border around it.
  EXPECT_GT(edge, glyph);

  EXPECT_EQ(DeleteFontHandle(plain), 0);
  EXPECT_EQ(DeleteFontHandle(edged), 0);
  EXPECT_EQ(GraphLiveCount(), before);
}

// A string of more new characters than one column holds fills the cells
// down to the image's last row, where a cell is cut at the image's edge.
TEST_F(FontTextureCacheTest, ManyCharactersFillTheCacheAndStillDraw) {
  const int font = CreateFontToHandle(nullptr, 11, 1, 0, -1, -1, 0, -1, -1);
  const FontRecord* r = GetFontRecord(font);
  ASSERT_NE(r, nullptr);
  std::string text;
  // Two-byte characters from 0x889F on, skipping trail bytes 0x7F and
  // those past 0xFC.
  int lead = 0x88;
  int trail = 0x9F;
  const int count = r->slotCount + 5;
  for (int i = 0; i < count; ++i) {
    text += static_cast<char>(lead);
    text += static_cast<char>(trail);
    if (++trail == 0x7F) ++trail;
    if (trail > 0xFC) {
      trail = 0x40;
      ++lead;
    }
  }
  EXPECT_EQ(DrawStringWithFont(0, 0, text.c_str(), ComposeColorCode(255, 255, 255), font, 0, 0),
            0);
  // The round robin went past the end: every slot is in use.
  int inUse = 0;
  for (int i = 0; i < r->slotCount; ++i) inUse += r->slots[i].inUse;
  EXPECT_EQ(inUse, r->slotCount);
  EXPECT_EQ(DeleteFontHandle(font), 0);
}

TEST_F(FontTextureCacheTest, ARecreatedFontKeepsItsHandleAndGetsANewGraph) {
  const int font = CreateFontToHandle(nullptr, 11, 1, 1, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  SetFontHandleSpacing(2, font);
  const int before = GraphLiveCount();
  ASSERT_EQ(RecreateAllFonts(), 0);
  const FontRecord* r = GetFontRecord(font);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->spacing, 2);
  EXPECT_EQ(CheckGraphHandle(r->cacheGraph), 1);
  EXPECT_EQ(GraphLiveCount(), before);
  EXPECT_EQ(DrawStringWithFont(0, 0, "abc", ComposeColorCode(255, 255, 255), font, 0, 0), 0);
}

}  // namespace
