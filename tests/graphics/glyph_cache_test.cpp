#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "graphics/font_system.h"
#include "support/library_session.h"

namespace {

const char kFace[] = "ＭＳ ゴシック";

// The outline brushes as drawn for edge sizes 1-4; larger sizes cover the
// whole square.
const char* const kBrushes[4][9] = {
    {".#.", "###", ".#."},
    {".###.", "#####", "#####", "#####", ".###."},
    {"...#...", ".#####.", ".#####.", "#######", ".#####.", ".#####.", "...#..."},
    {"..#####..", ".#######.", "#########", "#########", "#########", "#########",
     "#########", ".#######.", "..#####.."},
};

bool Covers(int e, int bx, int by) {
  return e > 4 || kBrushes[e - 1][by + e][bx + e] == '#';
}

// What a cell must hold, built from GDI's bitmap of the character and the
// cache's rules for each font type.
std::vector<uint8_t> ExpectedCell(int size, int type, int e, UINT code, int cell) {
  HFONT font = CreateFontA(size, 0, 0, 0, 100, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH, kFace);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  const bool grey = (type & 2) != 0;
  const UINT format = grey ? GGO_GRAY4_BITMAP : GGO_BITMAP;
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  GLYPHMETRICS gm = {};
  const DWORD bytes = GetGlyphOutlineA(dc, code, format, &gm, 0, nullptr, &identity);
  std::vector<uint8_t> bits(bytes);
  GetGlyphOutlineA(dc, code, format, &gm, bytes, bits.data(), &identity);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);

  const int pitch = static_cast<int>(bytes / gm.gmBlackBoxY);
  auto level = [&](int i, int j) -> int {
    if (grey) return bits[j * pitch + i];
    return (bits[j * pitch + i / 8] >> (7 - i % 8)) & 1;
  };
  std::vector<uint8_t> cellPixels(cell * cell, 0);
  auto at = [&](int x, int y) -> uint8_t* {
    if (x < 0 || y < 0 || x >= cell || y >= cell) return nullptr;
    return &cellPixels[y * cell + x];
  };
  for (int j = 0; j < static_cast<int>(gm.gmBlackBoxY); ++j) {
    for (int i = 0; i < static_cast<int>(gm.gmBlackBoxX); ++i) {
      const int l = level(i, j);
      if (l == 0) continue;
      if (type == 0 || type == 2) {
        if (uint8_t* p = at(i, j)) *p = static_cast<uint8_t>(type == 0 ? 1 : l - 1);
        continue;
      }
      if (uint8_t* p = at(i + e, j + e)) *p = static_cast<uint8_t>(type == 1 ? 1 : (*p | (l - 1)));
      for (int by = -e; by <= e; ++by) {
        for (int bx = -e; bx <= e; ++bx) {
          if (!Covers(e, bx, by)) continue;
          uint8_t* p = at(i + e + bx, j + e + by);
          if (!p) continue;
          if (type == 1) {
            if (*p != 1) *p = 2;
          } else if (!(e == 1 && bx == 0 && by == 0) && (*p >> 4) < l - 1) {
            *p = static_cast<uint8_t>((*p & 0x0F) | (l - 1) << 4);
          }
        }
      }
    }
  }
  return cellPixels;
}

std::vector<uint8_t> CachedCell(const FontRecord& record, const GlyphSlot& slot) {
  const int cell = record.cellSize;
  std::vector<uint8_t> pixels(cell * cell);
  const uint8_t* base =
      record.cacheBits + static_cast<size_t>(slot.cellNumber) * cell * record.cachePitch;
  for (int y = 0; y < cell; ++y) {
    for (int x = 0; x < cell; ++x) {
      const uint8_t* row = base + y * record.cachePitch;
      pixels[y * cell + x] =
          record.cacheBitsPerPixel == 1 ? (row[x / 8] >> (7 - x % 8)) & 1 : row[x];
    }
  }
  return pixels;
}

class GlyphCacheTest : public StartedLibraryTest {};

TEST_F(GlyphCacheTest, CellsHoldEachTypesPixels) {
  struct Case {
    int size;
    int type;
    int edgeSize;
  };
  const Case cases[] = {{11, 0, 1}, {16, 1, 1}, {16, 1, 2}, {20, 1, 3}, {20, 1, 4},
                        {16, 2, 1}, {16, 3, 1}, {20, 3, 2}};
  const char* const characters[] = {"A", "g", "漢", "Ｗ"};
  for (const Case& c : cases) {
    const int font = CreateFontToHandle(kFace, c.size, 1, c.type, -1, c.edgeSize, 0, -1, -1);
    ASSERT_NE(font, -1);
    FontRecord* record = GetFontRecord(font);
    const int e = (c.type & 1) ? c.edgeSize : 0;
    for (const char* ch : characters) {
      SCOPED_TRACE(testing::Message() << c.size << " type " << c.type << " edge " << c.edgeSize
                                      << " " << ch);
      ASSERT_EQ(CacheStringGlyphs(font, ch, -1, nullptr, nullptr), 0);
      const auto* bytes = reinterpret_cast<const unsigned char*>(ch);
      const uint16_t code16 = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
      const CharIndexEntry& entry = record->index[code16];
      ASSERT_EQ(entry.cached, 1);
      const UINT gdiCode = bytes[1] ? (bytes[0] << 8 | bytes[1]) : bytes[0];
      EXPECT_EQ(CachedCell(*record, *entry.slot),
                ExpectedCell(c.size, c.type, e, gdiCode, record->cellSize));
      EXPECT_GT(entry.slot->width, 2 * e);
      EXPECT_LE(entry.slot->width, record->cellSize);
      EXPECT_LE(entry.slot->height, record->cellSize);
    }
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

TEST_F(GlyphCacheTest, SpacesAdvanceWithoutPixels) {
  for (int edgeSize : {-1, 2}) {
    const int font = CreateFontToHandle(kFace, 16, 1, edgeSize == 2 ? 1 : 0, -1, edgeSize, 0,
                                        -1, -1);
    ASSERT_NE(font, -1);
    FontRecord* record = GetFontRecord(font);
    const int e = edgeSize == 2 ? 2 : 0;
    ASSERT_EQ(CacheStringGlyphs(font, " 　", -1, nullptr, nullptr), 0);
    for (uint16_t code : {uint16_t{0x20}, uint16_t{0x4081}}) {
      const GlyphSlot* slot = record->index[code].slot;
      ASSERT_NE(slot, nullptr);
      EXPECT_EQ(slot->width, 2 * e);
      EXPECT_EQ(slot->height, 2 * e);
      EXPECT_GT(slot->advance, 2 * e);
    }
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

TEST_F(GlyphCacheTest, RenderedOnceThenReusedAndEvictedRoundRobin) {
  // A very large font gets the smallest cache, 20 slots.
  const int font = CreateFontToHandle(kFace, 160, 1, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  FontRecord* record = GetFontRecord(font);
  ASSERT_EQ(record->slotCount, 20);
  CharRecord records[8] = {};
  int count = 0;
  ASSERT_EQ(CacheStringGlyphs(font, "abca", -1, records, &count), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(records[3].bytes[0], 'a');
  EXPECT_EQ(record->nextSlot, 3);  // 'a' once
  const GlyphSlot* a = record->index['a'].slot;
  ASSERT_EQ(CacheStringGlyphs(font, "cab", -1, nullptr, nullptr), 0);
  EXPECT_EQ(record->nextSlot, 3);
  EXPECT_EQ(record->index['a'].slot, a);

  // 17 more fill the cache; the 21st new character takes slot 0, where
  // 'a' was.
  ASSERT_EQ(CacheStringGlyphs(font, "defghijklmnopqrst", -1, nullptr, nullptr), 0);
  EXPECT_EQ(record->nextSlot, 0);
  EXPECT_EQ(record->index['a'].cached, 1);
  ASSERT_EQ(CacheStringGlyphs(font, "u", -1, nullptr, nullptr), 0);
  EXPECT_EQ(record->index['a'].cached, 0);
  EXPECT_EQ(record->index['a'].slot, nullptr);
  EXPECT_EQ(record->index['u'].slot, &record->slots[0]);
  EXPECT_EQ(record->index['b'].cached, 1);

  // A string with more new characters than slots caches only a cache-full;
  // measuring renders the rest one at a time.
  ASSERT_EQ(ClearFontGlyphCache(font), 0);
  const char* many = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  ASSERT_EQ(CacheStringGlyphs(font, many, -1, nullptr, nullptr), 0);
  EXPECT_EQ(record->index['T'].cached, 1);
  EXPECT_EQ(record->index['U'].cached, 0);
  EXPECT_GT(DrawOrMeasureString(0, 0, 0, many, 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr),
            0);
  EXPECT_EQ(record->index['Z'].cached, 1);
  EXPECT_EQ(DeleteFontHandle(font), 0);
}

TEST_F(GlyphCacheTest, LongStringsAndDeadFonts) {
  const int font = CreateFontToHandle(kFace, 11, 1, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += "漢a";
  int count = 0;
  ASSERT_EQ(CacheStringGlyphs(font, longText.c_str(), -1, nullptr, &count), 0);
  EXPECT_EQ(count, 600);
  // A limit inside a two-byte character still takes the whole character.
  ASSERT_EQ(CacheStringGlyphs(font, "漢a", 1, nullptr, &count), 0);
  EXPECT_EQ(count, 1);
  // A lead byte before the terminator stands alone.
  ASSERT_EQ(CacheStringGlyphs(font, "a\x8A", -1, nullptr, &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(DeleteFontHandle(font), 0);
  EXPECT_EQ(CacheStringGlyphs(font, "a", -1, nullptr, nullptr), -1);
  EXPECT_EQ(ClearFontGlyphCache(font), -1);
  const CharRecord a = {{'a', 0, 0}};
  EXPECT_EQ(RenderGlyphsToCache(font, 1, &a), nullptr);
}

}  // namespace
