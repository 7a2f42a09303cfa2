#include <windows.h>

#include <cstring>

#include "graphics/font_system.h"
#include "system/charset.h"
#include "system/log.h"
#include "system/tracked_memory.h"

namespace {

// The outline brushes for edge sizes 1-4, each a (2n + 1)-square in the
// top-left of a 9 x 9 mask; larger edges use the full square.
constexpr const char* kEdgeBrushTable[4][9] = {
    {".#.", "###", ".#."},
    {".###.", "#####", "#####", "#####", ".###."},
    {"...#...", ".#####.", ".#####.", "#######", ".#####.", ".#####.", "...#..."},
    {"..#####..", ".#######.", "#########", "#########", "#########", "#########",
     "#########", ".#######.", "..#####.."},
};

bool BrushCovers(int edge, int bx, int by) {
  if (edge > 4) return true;
  return kEdgeBrushTable[edge - 1][by + edge][bx + edge] == '#';
}

struct StringWorkBuffers {
  CharRecord newRecords[kShortStringBytes];
  uint16_t codes[kShortStringBytes];
};

StringWorkBuffers workBuffers;

bool IsSpace(const CharRecord& c) {
  return c.bytes[0] == 0x20 || (c.bytes[0] == 0x81 && c.bytes[1] == 0x40);
}

uint16_t CharCode(const CharRecord& c) {
  return static_cast<uint16_t>(c.bytes[0] | (c.bytes[1] << 8));
}

// Where a glyph lands in its cell, clipped to the cell so that no glyph (or
// its edge) reaches into the next cell or past the cache.
struct CellPlacement {
  uint8_t* cell;  // the cell's top-left byte
  int pitch;
  int size;  // the cell's side
  int e;     // the glyph's offset right and down inside the cell
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < size && y < size; }
  uint8_t& At(int x, int y) const { return cell[y * pitch + x]; }
};

void StorePlain(const CellPlacement& c, const uint8_t* glyph, int glyphPitch, int rows) {
  const int bytes = glyphPitch < c.pitch ? glyphPitch : c.pitch;
  if (rows > c.size) rows = c.size;
  for (int y = 0; y < rows; ++y) std::memcpy(c.cell + y * c.pitch, glyph + y * glyphPitch, bytes);
}

void StoreEdged(const CellPlacement& c, const uint8_t* glyph, int glyphPitch, int width,
                int height) {
  const int e = c.e;
  for (int gy = 0; gy < height; ++gy) {
    for (int gx = 0; gx < width; ++gx) {
      if (!(glyph[gy * glyphPitch + (gx >> 3)] & (0x80 >> (gx & 7)))) continue;
      const int x = gx + e;
      const int y = gy + e;
      if (c.Inside(x, y)) c.At(x, y) = 1;
      for (int by = -e; by <= e; ++by) {
        for (int bx = -e; bx <= e; ++bx) {
          if (!BrushCovers(e, bx, by) || !c.Inside(x + bx, y + by)) continue;
          uint8_t& p = c.At(x + bx, y + by);
          if (p != 1) p = 2;
        }
      }
    }
  }
}

void StoreGrey(const CellPlacement& c, const uint8_t* glyph, int glyphPitch, int width,
               int height) {
  for (int gy = 0; gy < height && gy < c.size; ++gy) {
    for (int gx = 0; gx < width && gx < c.size; ++gx) {
      const int level = glyph[gy * glyphPitch + gx];
      if (level > 0) c.At(gx, gy) = static_cast<uint8_t>(level - 1);
    }
  }
}

void StoreGreyEdged(const CellPlacement& c, const uint8_t* glyph, int glyphPitch, int width,
                    int height) {
  const int e = c.e;
  for (int gy = 0; gy < height; ++gy) {
    for (int gx = 0; gx < width; ++gx) {
      const int level = glyph[gy * glyphPitch + gx];
      if (level <= 0) continue;
      const int x = gx + e;
      const int y = gy + e;
      if (c.Inside(x, y)) c.At(x, y) = static_cast<uint8_t>(c.At(x, y) | (level - 1));
      const uint8_t high = static_cast<uint8_t>((level - 1) << 4);
      for (int by = -e; by <= e; ++by) {
        for (int bx = -e; bx <= e; ++bx) {
          // The one-pixel edge is the cross of four neighbours.
          if (e == 1 && bx == 0 && by == 0) continue;
          if (!BrushCovers(e, bx, by) || !c.Inside(x + bx, y + by)) continue;
          uint8_t& p = c.At(x + bx, y + by);
          if ((p & 0xF0) < high) p = static_cast<uint8_t>((p & 0x0F) | high);
        }
      }
    }
  }
}

int Clip16(int value, int limit) {
  if (value > limit) value = limit;
  if (value < 0) value = 0;
  return value;
}

}  // namespace

int ClearFontGlyphCache(int font) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  std::memset(record->index, 0, sizeof(record->index));
  std::memset(record->slots, 0, sizeof(record->slots));
  for (int i = 0; i < record->slotCount; ++i) record->slots[i].cellNumber = i;
  record->slots[record->slotCount].cellNumber = -1;
  record->nextSlot = 0;
  return 0;
}

int CacheStringGlyphs(int font, const char* string, int byteLimit, CharRecord* records,
                      int* count) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  int length = static_cast<int>(std::strlen(string));
  if (byteLimit != -1 && byteLimit < length) length = byteLimit;

  // Short strings use the static lists; longer ones one block of 5 bytes a
  // byte: the new characters' records, then their codes.
  CharRecord* newRecords = workBuffers.newRecords;
  uint16_t* newCodes = workBuffers.codes;
  void* allocated = nullptr;
  if (length > kShortStringBytes) {
    allocated = AllocTrackedMemory(static_cast<size_t>(length) * 5, "", 0);
    if (!allocated) return -1;
    newRecords = static_cast<CharRecord*>(allocated);
    newCodes = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(allocated) + length * 3);
  }

  int characters = 0;
  int newCount = 0;
  int read = 0;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(string);
  while (read < length) {
    CharRecord c = {{s[read], 0, 0}};
    // A lead byte takes its trail byte even past the limit, never past the
    // terminator.
    if (IsDbcsLeadByte(string + read, record->charsetCode) && s[read + 1] != 0) {
      c.bytes[1] = s[read + 1];
      read += 2;
    } else {
      read += 1;
    }
    if (records) records[characters] = c;
    ++characters;
    CharIndexEntry& entry = record->index[CharCode(c)];
    if (!entry.cached && newCount < record->slotCount) {
      entry.cached = 1;
      newCodes[newCount] = CharCode(c);
      newRecords[newCount++] = c;
    }
  }
  for (int i = 0; i < newCount; ++i) record->index[newCodes[i]].cached = 0;
  if (newCount > 0) RenderGlyphsToCache(font, newCount, newRecords);

  if (allocated) FreeTrackedMemory(allocated);
  if (count) *count = characters;
  return 0;
}

GlyphSlot* RenderGlyphsToCache(int font, int count, const CharRecord* records) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = dc ? SelectObject(dc, reinterpret_cast<HFONT>(record->gdiFont)) : nullptr;
  if (!dc || !old) {
    if (dc) DeleteDC(dc);
    ExitWithError("テキストキャッシュサーフェスのＤＣの取得に失敗しました");
  }
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);

  const int type = record->type;
  const int e = (type & kFontEdge) ? record->edgeSize : 0;
  const bool grey = (type & kFontAntialiased) != 0;
  const UINT format = grey ? GGO_GRAY4_BITMAP : GGO_BITMAP;
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  GlyphSlot* last = nullptr;

  for (int n = 0; n < count; ++n) {
    const CharRecord& c = records[n];
    GlyphSlot& slot = record->slots[record->nextSlot];
    if (slot.inUse) {
      slot.indexEntry->cached = 0;
      slot.indexEntry->slot = nullptr;
      slot.inUse = 0;
    }
    CellPlacement cell = {};
    cell.pitch = record->cachePitch;
    cell.size = record->cellSize;
    cell.e = e;
    cell.cell = record->cacheBits + static_cast<size_t>(slot.cellNumber) * record->cellSize *
                                        record->cachePitch;
    std::memset(cell.cell, 0, static_cast<size_t>(record->cellSize) * record->cachePitch);

    const UINT code = c.bytes[1] != 0 ? (c.bytes[0] << 8) | c.bytes[1] : c.bytes[0];
    GLYPHMETRICS gm = {};
    const DWORD size = GetGlyphOutlineA(dc, code, format, &gm, 0, nullptr, &identity);
    if (size == GDI_ERROR) {
      AppendLog("GetGlyphOutline 関数が失敗しました\n");
      continue;
    }
    // A glyph without pixels (a space, or a blank the font leaves empty)
    // only advances the pen.
    if (IsSpace(c) || size == 0 || gm.gmBlackBoxX == 0 || gm.gmBlackBoxY == 0) {
      slot.xOffset = 0;
      slot.yOffset = 0;
      slot.advance = gm.gmCellIncX;
      slot.width = 0;
      slot.height = 0;
    } else {
      const int pitch = static_cast<int>(size / gm.gmBlackBoxY) & ~3;
      auto* buffer = static_cast<uint8_t*>(AllocTrackedMemoryZeroed(size + 2 * pitch, "", 0));
      if (!buffer) ExitWithError("アンチエイリアス文字取得用バッファの確保に失敗しました");
      uint8_t* glyph = buffer + pitch;
      if (GetGlyphOutlineA(dc, code, format, &gm, size, glyph, &identity) == GDI_ERROR) {
        AppendLog("GetGlyphOutline 関数が失敗しました\n");
        FreeTrackedMemory(buffer);
        continue;
      }
      const int width = static_cast<int>(gm.gmBlackBoxX);
      const int height = static_cast<int>(gm.gmBlackBoxY);
      slot.xOffset = static_cast<int16_t>(gm.gmptGlyphOrigin.x);
      slot.yOffset = static_cast<int16_t>(metrics.tmAscent - gm.gmptGlyphOrigin.y);
      slot.advance = gm.gmCellIncX;
      // The slot keeps only what its cell holds.
      slot.width = static_cast<int16_t>(Clip16(width, record->cellSize - 2 * e));
      slot.height = static_cast<int16_t>(Clip16(height, record->cellSize - 2 * e));
      switch (type) {
        case kFontPlain:
          StorePlain(cell, glyph, pitch, height);
          break;
        case kFontEdge:
          StoreEdged(cell, glyph, pitch, width, height);
          break;
        case kFontAntialiased:
          StoreGrey(cell, glyph, pitch, width, height);
          break;
        default:
          StoreGreyEdged(cell, glyph, pitch, width, height);
          break;
      }
      FreeTrackedMemory(buffer);
    }
    slot.advance = static_cast<int16_t>(slot.advance + 2 * e);
    slot.width = static_cast<int16_t>(slot.width + 2 * e);
    slot.height = static_cast<int16_t>(slot.height + 2 * e);
    CharIndexEntry& entry = record->index[CharCode(c)];
    entry.cached = 1;
    entry.slot = &slot;
    slot.indexEntry = &entry;
    slot.inUse = 1;
    record->nextSlot = record->nextSlot + 1 >= record->slotCount ? 0 : record->nextSlot + 1;
    last = &slot;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return last;
}

GlyphSlot* LookUpGlyph(FontRecord* record, int font, const CharRecord& character) {
  const CharIndexEntry& entry = record->index[CharCode(character)];
  if (entry.cached) return entry.slot;
  RenderGlyphsToCache(font, 1, &character);
  return entry.cached ? entry.slot : nullptr;
}
