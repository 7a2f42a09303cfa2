#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
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

// Every character the index calls cached has a slot in use that points
// back at it and whose cell holds that character's glyph; no two characters
// share a slot.
void ExpectCacheConsistent(const FontRecord& record, int size) {
  std::vector<int> owners(kGlyphSlotCount, 0);
  int cached = 0;
  for (int code = 0; code < 65536; ++code) {
    const CharIndexEntry& entry = record.index[code];
    if (!entry.cached) continue;
    ++cached;
    SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << code);
    ASSERT_NE(entry.slot, nullptr);
    const int slot = static_cast<int>(entry.slot - record.slots);
    ASSERT_GE(slot, 0);
    ASSERT_LT(slot, record.slotCount);
    EXPECT_EQ(entry.slot->inUse, 1);
    EXPECT_EQ(entry.slot->indexEntry, &entry);
    EXPECT_EQ(++owners[slot], 1);
    const UINT gdiCode = (code >> 8) ? ((code & 0xFF) << 8 | code >> 8) : code;
    if (entry.slot->width > 0) {
      // GDI is asked once per character; fonts are slow to make under Wine.
      static std::map<UINT, std::vector<uint8_t>> expected;
      auto it = expected.find(gdiCode);
      if (it == expected.end()) {
        it = expected.emplace(gdiCode, ExpectedCell(size, 0, 0, gdiCode, record.cellSize)).first;
      }
      EXPECT_EQ(CachedCell(record, *entry.slot), it->second);
    }
  }
  EXPECT_LE(cached, record.slotCount);
}

// Strings with more new characters than the cache has slots, and strings
// that bring back characters evicted a moment before, keep the index and
// the cells in step; measuring leaves every character of the last string
// cached when it fits.
TEST_F(GlyphCacheTest, FillEvictAndReuseKeepTheIndexTrue) {
  const int font = CreateFontToHandle(kFace, 11, 1, 0, -1, -1, 0, -1, -1);
  ASSERT_NE(font, -1);
  FontRecord* record = GetFontRecord(font);
  // A cache of 20 slots, as the largest fonts get; the bitmap has room for
  // many more.
  ASSERT_GT(record->slotCount, 20);
  record->slotCount = 20;
  ASSERT_EQ(ClearFontGlyphCache(font), 0);
  const char* const strings[] = {
      "ＨＰ　1234 ／ 1500",
      "ＭＰ　  56 ／   80",
      "アルヴィンセレスティアガルド",
      "ＨＰ　1234 ／ 1500",
      "01 : 05 プレイ時間 1234567 ギル",
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij",
      "ＬＶ 12 ＬＶ 9",
  };
  for (const char* text : strings) {
    SCOPED_TRACE(text);
    EXPECT_GT(DrawOrMeasureString(0, 0, 0, text, 0, nullptr, nullptr, 1, font, 0, -1, 0, nullptr),
              0);
    ExpectCacheConsistent(*record, 11);
  }
  int count = 0;
  CharRecord records[64] = {};
  ASSERT_EQ(CacheStringGlyphs(font, strings[6], -1, records, &count), 0);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(record->index[records[i].bytes[0] | records[i].bytes[1] << 8].cached, 1);
  }
  EXPECT_EQ(DeleteFontHandle(font), 0);
}

// A glyph larger than its cell is cut at the cell: nothing is written into
// the next cell or past the cache. The font's cells are narrowed to 8
// pixels (with the pitch that goes with them) to make its glyphs too large.
TEST_F(GlyphCacheTest, GlyphsStayInsideTheirCell) {
  struct Case {
    int type;
    int edgeSize;
  };
  const Case cases[] = {{0, -1}, {1, 1}, {1, 4}, {2, -1}, {3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " edge " << c.edgeSize);
    const int font = CreateFontToHandle(kFace, 24, 6, c.type, -1, c.edgeSize, 1, -1, -1);
    ASSERT_NE(font, -1);
    FontRecord* record = GetFontRecord(font);
    const size_t cacheBytes = static_cast<size_t>(record->cacheHeight) * record->cachePitch;
    record->cellSize = 8;
    record->cachePitch = record->cacheBitsPerPixel == 1 ? 1 : 8;
    std::memset(record->cacheBits, 0xAA, cacheBytes);
    ASSERT_EQ(CacheStringGlyphs(font, "W漢", -1, nullptr, nullptr), 0);
    for (uint16_t code : {uint16_t{'W'}, uint16_t{0xBF8A}}) {
      const GlyphSlot* slot = record->index[code].slot;
      ASSERT_NE(slot, nullptr);
      EXPECT_LE(slot->width, 8);
      EXPECT_LE(slot->height, 8);
    }
    const size_t used = 2 * 8 * static_cast<size_t>(record->cachePitch);
    size_t touched = 0;
    for (size_t i = used; i < cacheBytes; ++i) touched += record->cacheBits[i] != 0xAA;
    EXPECT_EQ(touched, 0u);
    SOFTIMG image = {};
    ASSERT_EQ(CreateSoftImg(&image, 64, 32, -1, 0, kSoftImgColor32, 0, 0, 0, nullptr), 0);
    EXPECT_GT(DrawOrMeasureString(1, 0, 0, "W漢", ComposeColorCode(255, 255, 255), &image,
                                  nullptr, 1, font, 0, -1, 0, nullptr),
              0);
    ReleaseSoftImg(&image);
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

// Anti-aliased glyphs carry their coverage as alpha: level c of 0-15 gives
// alpha 16c; with an edge, full glyph coverage gives 255, the edge alone
// 16e, and partial coverage mixes the colours by the glyph's share.
TEST_F(GlyphCacheTest, AntialiasedPixelsCarryTheirCoverage) {
  struct Case {
    int type;
    int colorType;
  };
  const Case cases[] = {{2, kSoftImgColor32}, {3, kSoftImgColor32}, {2, kSoftImgColor16},
                        {3, kSoftImgColor16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " colour type " << c.colorType);
    const bool is16 = c.colorType == kSoftImgColor16;
    const int font = CreateFontToHandle(kFace, 16, 1, c.type, -1, -1, 0, -1, -1);
    ASSERT_NE(font, -1);
    FontRecord* record = GetFontRecord(font);
    SOFTIMG image = {};
    ASSERT_EQ(CreateSoftImg(&image, 40, 40, -1, 0, c.colorType, 0, 1, 0, nullptr), 0);
    FillSoftImgRaw(&image, nullptr, 0);
    const ColorCode text = ComposeColorCode(250, 200, 10);
    const ColorCode edge = ComposeColorCode(20, 60, 240);
    ASSERT_GT(DrawOrMeasureString(1, 5, 6, "漢", text, &image, nullptr, 1, font, edge, -1, 0,
                                  nullptr),
              0);
    const GlyphSlot* slot = record->index[0xBF8A].slot;
    ASSERT_NE(slot, nullptr);
    const int e = c.type == 3 ? 1 : 0;
    const std::vector<uint8_t> cell = ExpectedCell(16, c.type, e, 0x8ABF, record->cellSize);
    // Channels in the image's field widths.
    const int t[3] = {is16 ? 250 >> 3 : 250, is16 ? 200 >> 2 : 200, is16 ? 10 >> 3 : 10};
    const int d[3] = {is16 ? 20 >> 3 : 20, is16 ? 60 >> 2 : 60, is16 ? 240 >> 3 : 240};
    auto pack = [&](const int ch[3], int alpha) -> uint32_t {
      if (is16) return static_cast<uint32_t>(ch[0] << 11 | ch[1] << 5 | ch[2] | alpha << 16);
      return static_cast<uint32_t>(ch[0] << 16 | ch[1] << 8 | ch[2]) |
             static_cast<uint32_t>(alpha) << 24;
    };
    int full = 0;
    int differing = 0;
    for (int j = 0; j < slot->height; ++j) {
      for (int i = 0; i < slot->width; ++i) {
        const int s = cell[j * record->cellSize + i];
        uint32_t expected = 0;
        if (c.type == 2) {
          if (s > 0) expected = pack(t, s * 16);
        } else {
          const int g = s & 15;
          const int edgeLevel = s >> 4;
          if (g == 15) {
            expected = pack(t, 255);
          } else if (g > 0) {
            const int alpha = g * 16 + (15 - g) * edgeLevel;
            const int f = g * 4096 / alpha;
            int mixed[3];
            for (int k = 0; k < 3; ++k) mixed[k] = d[k] + (((t[k] - d[k]) * f) >> 8);
            expected = pack(mixed, alpha);
          } else if (edgeLevel > 0) {
            expected = pack(d, edgeLevel * 16);
          }
        }
        const int x = 5 + slot->xOffset + i;
        const int y = 6 + slot->yOffset + j;
        uint32_t actual;
        std::memcpy(&actual, image.pixels + y * image.body->pitch + x * 4, 4);
        if (actual != expected) ++differing;
        const uint32_t alpha = is16 ? (actual >> 16) & 0xFF : actual >> 24;
        if (alpha == (c.type == 2 ? 240u : 255u)) ++full;
      }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(full, 5);
    ReleaseSoftImg(&image);
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
}

TEST_F(GlyphCacheTest, CharactersSplitByTheFontsTextCode) {
  // 0xB1 is a one-byte character in Shift-JIS and a lead byte in the other
  // double-byte codes.
  struct Case {
    int charsetCode;
    int characters;
  };
  for (const Case& c : {Case{1, 3}, Case{0, 3}, Case{2, 2}, Case{3, 2}, Case{4, 2}}) {
    SCOPED_TRACE(c.charsetCode);
    const int font = CreateFontToHandle(nullptr, 12, -1, -1, c.charsetCode, -1, 0, -1, -1);
    ASSERT_NE(font, -1);
    int count = 0;
    ASSERT_EQ(CacheStringGlyphs(font, "\xB1\xB2" "a", -1, nullptr, &count), 0);
    EXPECT_EQ(count, c.characters);
    EXPECT_EQ(DeleteFontHandle(font), 0);
  }
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
