#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "graphics/font_system.h"
#include "graphics/screen_images.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/system_state.h"

namespace {

const char kFace[] = "ＭＳ ゴシック";

int LiveFontCount() {
  int live = 0;
  for (int slot = 0; slot < kFontSlotCount; ++slot) {
    for (int check = 0; check < 2048; ++check) {
      if (IsValidFontHandle(slot | ((check | 0x2000) << 16))) {
        ++live;
        break;
      }
    }
  }
  return live;
}

TEXTMETRICA GdiMetrics(int size, int thickness) {
  HFONT font = CreateFontA(size, 0, 0, 0, thickness * 100, 0, 0, 0, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                           FIXED_PITCH, kFace);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  return metrics;
}

class FontSystemTest : public StartedLibraryTest {};

TEST_F(FontSystemTest, StartUpMakesTheDefaultFontAndTheLogFont) {
  EXPECT_EQ(LiveFontCount(), 2);
  EXPECT_EQ(IsValidFontHandle(QueryDefaultFontHandle()), 1);
  const LogOverlayState& overlay = GetSystemState().logOverlay;
  ASSERT_EQ(IsValidFontHandle(overlay.font), 1);
  EXPECT_EQ(overlay.fontDeleted, 0);
  const FontRecord* record = GetFontRecord(overlay.font);
  EXPECT_EQ(record->type, kFontEdge);
  EXPECT_EQ(record->size, 16);
  EXPECT_EQ(record->thickness, 4);
  EXPECT_EQ(record->face[0], '\0');
}

TEST_F(FontSystemTest, FortyFontsThenTheLimitIsLogged) {
  LogCapture log;
  std::vector<int> made;
  for (int i = 0; i < kFontSlotCount; ++i) {
    const int font = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
    if (font == -1) break;
    made.push_back(font);
  }
  EXPECT_EQ(LiveFontCount(), kFontSlotCount);
  EXPECT_EQ(made.size(), static_cast<size_t>(kFontSlotCount - 2));
  EXPECT_EQ(CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1), -1);
  EXPECT_NE(log.Read().find("作成できるフォントハンドル数 40 の限界を超えました"),
            std::string::npos);
  for (int font : made) EXPECT_EQ(DeleteFontHandle(font), 0);
  for (int font : made) EXPECT_EQ(DeleteFontHandle(font), -1);
  EXPECT_EQ(LiveFontCount(), 2);
}

TEST_F(FontSystemTest, GivenSlotsAndCheckNumbers) {
  struct Case {
    int slot;
    int check;
    bool made;
  };
  const Case cases[] = {
      {30, 2047, true}, {39, 0, true}, {40, 5, false}, {-2, 5, false},
      {31, 2048, false}, {32, -2, false}, {0, 7, false},  // slot 0 holds the default font
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.slot << " " << c.check);
    const int font = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, c.slot, c.check);
    if (c.made) {
      EXPECT_EQ(font, c.slot | ((c.check | 0x2000) << 16));
      EXPECT_EQ(DeleteFontHandle(font), 0);
    } else {
      EXPECT_EQ(font, -1);
    }
  }
  EXPECT_EQ(LiveFontCount(), 2);
  EXPECT_EQ(IsValidFontHandle(-1), 0);
  EXPECT_EQ(IsValidFontHandle(QueryDefaultFontHandle() ^ 0x00010000), 0);
  EXPECT_EQ(SetFontHandleSpacing(1, -1), -1);
  EXPECT_EQ(GetFontHandleSize(-1), -1);
}

TEST_F(FontSystemTest, TypeAndCellGeometry) {
  struct Case {
    int size;
    int type;
    int edgeSize;
    int expectedType;
  };
  const Case cases[] = {{11, 0, 1, 0}, {11, -1, 3, 1}, {16, 2, -1, 2}, {24, 1, 2, 1},
                        {160, 0, -1, 0}, {4, 0, -1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.type << " " << c.edgeSize);
    const int font = CreateFontToHandle(kFace, c.size, 1, c.type, -1, c.edgeSize, 0, -1, -1);
    ASSERT_NE(font, -1);
    const FontRecord* record = GetFontRecord(font);
    EXPECT_EQ(record->type, c.expectedType);
    const TEXTMETRICA m = GdiMetrics(c.size, 1);
    const int e = (c.expectedType & 1) ? (c.edgeSize == -1 ? 1 : c.edgeSize) : 0;
    int cell = (m.tmMaxCharWidth + 2 + 2 * e + 7) / 8 * 8;
    const int height = (m.tmHeight + 2 * e + 1) / 2 * 2;
    cell = std::max(cell, height);
    EXPECT_EQ(record->cellSize, cell);
    EXPECT_EQ(record->cellHeight, height);
    const int slots = std::min(std::max(327680 / (cell * cell), 20), 2024);
    EXPECT_EQ(record->slotCount, slots);
    EXPECT_EQ(record->cacheBitsPerPixel, c.expectedType == 0 ? 1 : 8);
    if (c.size == 160) EXPECT_EQ(record->slotCount, 20);
    if (c.size == 4) EXPECT_EQ(record->slotCount, 2024);
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

TEST_F(FontSystemTest, UnusableSizesAreRefusedAndEdgesKeptAtOnePixel) {
  LogCapture log;
  // Cells this large cannot be cached; the slot stays free.
  for (int edgeSize : {20000, 1 << 29}) {
    EXPECT_EQ(CreateFontToHandle(nullptr, 12, -1, 1, -1, edgeSize, 0, -1, -1), -1);
  }
  EXPECT_NE(log.Read().find("フォントのキャッシュ用メモリの確保に失敗しました"), std::string::npos);
  EXPECT_EQ(LiveFontCount(), 2);
  for (int edgeSize : {0, -5}) {
    const int font = CreateFontToHandle(nullptr, 12, -1, 1, -1, edgeSize, 0, -1, -1);
    ASSERT_NE(font, -1);
    EXPECT_EQ(GetFontRecord(font)->edgeSize, 1);
    // The glyph is edged by one pixel: its cell holds edge pixels.
    EXPECT_GT(DrawOrMeasureString(0, 0, 0, "a", 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr),
              2);
    const GlyphSlot* slot = GetFontRecord(font)->index['a'].slot;
    ASSERT_NE(slot, nullptr);
    EXPECT_GT(slot->width, 2);
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

TEST_F(FontSystemTest, DefaultFontFollowsItsSetters) {
  ASSERT_EQ(SetDefaultFontSize(11), 0);
  int font = QueryDefaultFontHandle();
  EXPECT_EQ(GetFontHandleSize(font), 11);
  // Setting what is set already keeps the font.
  ASSERT_EQ(SetDefaultFontSize(11), 0);
  EXPECT_EQ(QueryDefaultFontHandle(), font);
  ASSERT_EQ(SetDefaultFontThickness(1), 0);
  EXPECT_NE(QueryDefaultFontHandle(), font);
  font = QueryDefaultFontHandle();
  ASSERT_EQ(SetDefaultFontSpacing(-1), 0);
  EXPECT_EQ(QueryDefaultFontHandle(), font);
  EXPECT_EQ(GetFontRecord(font)->spacing, -1);
  ASSERT_EQ(SetDefaultFontFace(kFace, -1), 0);
  EXPECT_NE(QueryDefaultFontHandle(), font);
  font = QueryDefaultFontHandle();
  char face[256] = {};
  int size = 0;
  int thickness = 0;
  ASSERT_EQ(GetFontHandleInfo(face, &size, &thickness, font), 0);
  EXPECT_STREQ(face, kFace);
  EXPECT_EQ(size, 11);
  EXPECT_EQ(thickness, 1);
  // The spacing is carried to the re-made font.
  EXPECT_EQ(GetFontRecord(font)->spacing, -1);
  EXPECT_EQ(GetFontRecord(font)->charsetCode, 1);
  // The screen-mode change hands the settings back through this call.
  ASSERT_EQ(SetDefaultFontSizeAndThickness(nullptr, 14, -1), 0);
  EXPECT_EQ(GetFontHandleSize(QueryDefaultFontHandle()), 14);
  EXPECT_EQ(GetFontRecord(QueryDefaultFontHandle())->thickness, 6);
  EXPECT_EQ(LiveFontCount(), 2);
}

TEST_F(FontSystemTest, RecreateAllFontsKeepsHandlesAndSpacing) {
  const int first = CreateFontToHandle(kFace, 20, 3, 1, -1, 2, 0, -1, -1);
  const int second = CreateFontToHandle(nullptr, 12, -1, 2, -1, -1, 0, -1, -1);
  ASSERT_NE(first, -1);
  ASSERT_NE(second, -1);
  ASSERT_EQ(SetFontHandleSpacing(3, first), 0);
  int watcher = -5;
  ASSERT_EQ(SetFontDeletedFlagPointer(second, &watcher), 0);
  EXPECT_EQ(watcher, 0);
  const FontRecord* old = GetFontRecord(first);
  const int oldCell = old->cellSize;
  const int defaultFont = QueryDefaultFontHandle();
  ASSERT_EQ(RecreateAllFonts(), 0);
  EXPECT_EQ(QueryDefaultFontHandle(), defaultFont);
  EXPECT_EQ(IsValidFontHandle(defaultFont), 1);
  ASSERT_EQ(IsValidFontHandle(first), 1);
  ASSERT_EQ(IsValidFontHandle(second), 1);
  EXPECT_EQ(IsValidFontHandle(GetSystemState().logOverlay.font), 1);
  EXPECT_EQ(GetFontRecord(first)->spacing, 3);
  EXPECT_EQ(GetFontRecord(first)->edgeSize, 2);
  EXPECT_EQ(GetFontRecord(first)->cellSize, oldCell);
  EXPECT_EQ(GetFontRecord(second)->type, 2);
  EXPECT_EQ(watcher, 1);
  // The log's watcher was told too, so its next drawing makes a new font.
  EXPECT_EQ(GetSystemState().logOverlay.fontDeleted, 1);
  EXPECT_EQ(DeleteFontHandle(first), 0);
  EXPECT_EQ(DeleteFontHandle(second), 0);
}

TEST_F(FontSystemTest, ResetDeletesEveryFontAndRemakesTheDefault) {
  ASSERT_EQ(SetDefaultFontSize(13), 0);
  const int extra = CreateFontToHandle(nullptr, 12, -1, -1, -1, -1, 0, -1, -1);
  ASSERT_NE(extra, -1);
  ASSERT_EQ(ResetFontSystem(), 0);
  EXPECT_EQ(IsValidFontHandle(extra), 0);
  EXPECT_EQ(LiveFontCount(), 1);
  EXPECT_EQ(GetFontHandleSize(QueryDefaultFontHandle()), 13);
  EXPECT_EQ(GetSystemState().logOverlay.fontDeleted, 1);
}

TEST(FontSystemLifeTest, ShutDownLeavesNoFont) {
  int logFont = -1;
  int defaultFont = -1;
  {
    LibraryOptions options;
    options.title = UniqueWindowTitle("Fonts");
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0);
    logFont = GetSystemState().logOverlay.font;
    defaultFont = QueryDefaultFontHandle();
    ASSERT_EQ(IsValidFontHandle(logFont), 1);
  }
  EXPECT_EQ(IsValidFontHandle(logFont), 0);
  EXPECT_EQ(IsValidFontHandle(defaultFont), 0);
  EXPECT_EQ(LiveFontCount(), 0);
  EXPECT_EQ(GetSystemState().logOverlay.font, -1);
}

}  // namespace
