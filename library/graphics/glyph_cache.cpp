#include <windows.h>

#include <cstring>
#include <vector>

#include "graphics/font_system.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
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

// The texture cache keeps glyphs in a 16-bit staging image with alpha: every
// pixel white, the glyph's coverage in alpha. A cell lies one pixel right
// and down of its place in the grid, so a cell of the last row or column
// is cut at the image's edge; edge fonts keep the edge in the same cell of
// the image's right half.
struct StagingCell {
  uint8_t* image;
  int pitch;      // bytes per row
  int halfWidth;  // the cache width: the left half's width
  int imageHeight;
  int x, y;  // the cell's top-left pixel in the left half
  int size;
  bool edged;
  uint16_t white;  // all colour bits
  int alphaShift;  // a level L (1-16) is white | ((L << alphaShift) - 1)
  // Pixels of the cell inside the image, cx and cy from the cell's corner.
  bool Inside(int cx, int cy) const {
    return cx >= 0 && cy >= 0 && cx < size && cy < size && x + cx < halfWidth &&
           y + cy < imageHeight;
  }
  uint16_t* At(int cx, int cy, bool right) const {
    return reinterpret_cast<uint16_t*>(image + (y + cy) * pitch) + x + cx +
           (right ? halfWidth : 0);
  }
  uint16_t Level(int level) const {
    if (level <= 0) return white;
    return static_cast<uint16_t>(white | ((level << alphaShift) - 1));
  }
  void Clear() const {
    for (int cy = 0; cy < size; ++cy) {
      for (int cx = 0; cx < size; ++cx) {
        if (!Inside(cx, cy)) continue;
        *At(cx, cy, false) = 0;
        if (edged) *At(cx, cy, true) = 0;
      }
    }
  }
};

// glyph(gx, gy) gives the GDI level of a glyph pixel: 0, or 16 for a set
// bit of a one-bit glyph, 1-16 for grey levels.
template <typename GlyphLevel>
void StoreInStaging(const StagingCell& c, int e, int width, int height, bool grey,
                    GlyphLevel glyph) {
  if (!c.edged) {
    for (int gy = 0; gy < height; ++gy)
      for (int gx = 0; gx < width; ++gx)
        if (c.Inside(gx, gy)) *c.At(gx, gy, false) = c.Level(glyph(gx, gy));
    return;
  }
  // Levels of both halves over the glyph box and its edge, then as pixels.
  const int w = width + 2 * e;
  const int h = height + 2 * e;
  std::vector<uint8_t> left(static_cast<size_t>(w) * h, 0);
  std::vector<uint8_t> right(static_cast<size_t>(w) * h, 0);
  for (int gy = 0; gy < height; ++gy) {
    for (int gx = 0; gx < width; ++gx) {
      const int level = glyph(gx, gy);
      if (level <= 0) continue;
      left[(gy + e) * w + gx + e] = static_cast<uint8_t>(level);
      for (int by = -e; by <= e; ++by) {
        for (int bx = -e; bx <= e; ++bx) {
          if (!BrushCovers(e, bx, by)) continue;
          uint8_t& old = right[(gy + e + by) * w + gx + e + bx];
          if (!grey) {
            old = 16;
          } else {
            old = static_cast<uint8_t>((256 - (16 - old) * (16 - level)) >> 4);
          }
        }
      }
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!c.Inside(x, y)) continue;
      const int l = left[y * w + x];
      const int r = right[y * w + x];
      // One-bit glyphs leave the pixels without glyph or edge untouched.
      if (grey || l) *c.At(x, y, false) = c.Level(l);
      if (grey || r) *c.At(x, y, true) = c.Level(r);
    }
  }
}

// Sends the glyph's part of the staging image to the cache graph: the glyph
// box and its edge for edge fonts (and the same box of the right half), the
// whole cell otherwise.
void TransferCellToGraph(const FontRecord& record, const StagingCell& c, int width, int height) {
  const int w = c.edged ? width : c.size;
  const int h = c.edged ? height : c.size;
  IntRect rect = {c.x, c.y, c.x + w, c.y + h};
  if (rect.right > c.halfWidth) rect.right = c.halfWidth;
  if (rect.bottom > c.imageHeight) rect.bottom = c.imageHeight;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  TransferGraphImageRectToGraph(nullptr, nullptr, nullptr, nullptr, 0, &rect, rect.left, rect.top,
                                &record.staging, nullptr, record.cacheGraph, 0);
  if (!c.edged) return;
  const IntRect edgeRect = {rect.left + c.halfWidth, rect.top, rect.right + c.halfWidth,
                            rect.bottom};
  TransferGraphImageRectToGraph(nullptr, nullptr, nullptr, nullptr, 0, &edgeRect, edgeRect.left,
                                edgeRect.top, &record.staging, nullptr, record.cacheGraph, 0);
}

}  // namespace

int CreateFontCacheGraph(int font) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  if (record->recreateGraph != 1) return 0;
  record->recreateGraph = 0;
  const int savedEmptyAlpha = GetEmptyGraphAlphaFlag();
  const int savedColorBits = GetGraphCreateColorBits();
  const int savedAlphaTest = GetAlphaTestGraphCreateFlag();
  const int savedHardware = CheckHardwareRenderAllowed();
  // Glyphs keep their coverage in alpha for every font type (see the
  // staging image), so the graph takes alpha too.
  SetEmptyGraphAlphaFlag(1);
  SetAlphaTestGraphCreateFlag(0);
  SetGraphCreateColorBits(16);
  EnableHardwareRender(1);
  const bool edged = (record->type & kFontEdge) != 0;
  record->cacheGraph =
      CreateEmptyGraph(edged ? 2 * record->cacheWidth : record->cacheWidth, record->cacheHeight, 0);
  record->edgeHalfGraph = -1;
  if (edged && record->cacheGraph != -1) {
    record->edgeHalfGraph = CreateDerivedGraph(record->cacheWidth, 0, 2 * record->cacheWidth,
                                               record->cacheHeight, record->cacheGraph);
  }
  SetEmptyGraphAlphaFlag(savedEmptyAlpha);
  SetGraphCreateColorBits(savedColorBits);
  SetAlphaTestGraphCreateFlag(savedAlphaTest);
  EnableHardwareRender(savedHardware);
  if (record->cacheGraph == -1) return -1;
  // A graph lost in a restore raises the flag, and the next text call makes
  // it again.
  SetGraphDeleteWatcher(record->cacheGraph, &record->recreateGraph);
  FillGraphWithColor(record->cacheGraph, 255, 255, 255, 0);
  ClearFontGlyphCache(font);
  return 0;
}

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
    StagingCell staging = {};
    if (record->textureCache) {
      const ColorFormat& f = record->staging.format;
      staging.image = static_cast<uint8_t*>(record->staging.pixels);
      staging.pitch = record->staging.pitch;
      staging.halfWidth = record->cacheWidth;
      staging.imageHeight = record->cacheHeight;
      staging.x = (slot.cellNumber / record->cellsPerColumn) * record->cellSize + 1;
      staging.y = (slot.cellNumber % record->cellsPerColumn) * record->cellSize + 1;
      staging.size = record->cellSize;
      staging.edged = e != 0;
      staging.white = static_cast<uint16_t>(f.redMask | f.greenMask | f.blueMask);
      staging.alphaShift = f.alphaWidth + f.alphaShift - 4;
      staging.Clear();
    } else {
      cell.pitch = record->cachePitch;
      cell.size = record->cellSize;
      cell.e = e;
      cell.cell = record->cacheBits + static_cast<size_t>(slot.cellNumber) * record->cellSize *
                                          record->cachePitch;
      std::memset(cell.cell, 0, static_cast<size_t>(record->cellSize) * record->cachePitch);
    }

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
      if (record->textureCache) {
        const int w = slot.width;
        const int h = slot.height;
        if (grey) {
          StoreInStaging(staging, e, w, h, true,
                         [&](int gx, int gy) { return static_cast<int>(glyph[gy * pitch + gx]); });
        } else {
          StoreInStaging(staging, e, w, h, false, [&](int gx, int gy) {
            return (glyph[gy * pitch + (gx >> 3)] & (0x80 >> (gx & 7))) ? 16 : 0;
          });
        }
        TransferCellToGraph(*record, staging, w + 2 * e, h + 2 * e);
      } else {
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
