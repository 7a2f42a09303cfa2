// Fonts: the 40-slot font table, the records behind font handles, the default
// font, the glyph cache and the string layout that draws from it.
#ifndef OMBREL_GRAPHICS_FONT_SYSTEM_H
#define OMBREL_GRAPHICS_FONT_SYSTEM_H

#include <stdint.h>

#include "Ombrel.h"
#include "software_renderer/soft_image.h"

struct HFONT__;

constexpr int kFontSlotCount = 40;
constexpr int kGlyphSlotCount = 2025;  // the last one only marks the end
constexpr int kMaxGlyphSlots = 2024;
constexpr int kFontFaceSize = 256;
constexpr int kDefaultFaceSize = 128;
constexpr int kShortStringBytes = 256;

enum FontRenderType : int {
  kFontPlain = 0,
  kFontEdge = 1,
  kFontAntialiased = 2,
  kFontAntialiasedEdge = 3,
};

struct CharIndexEntry;

struct GlyphSlot {
  uint8_t inUse;
  int16_t xOffset;  // the glyph's first column right of the pen
  int16_t yOffset;  // its first row below the top of the line
  int16_t advance;
  int32_t cellNumber;  // -1 marks the slot after the last used one
  int16_t width;
  int16_t height;
  CharIndexEntry* indexEntry;
};

struct CharIndexEntry {
  int32_t cached;
  GlyphSlot* slot;
};

// One character of a string: its first byte, its second (0 for one-byte
// characters) and 0.
struct CharRecord {
  uint8_t bytes[3];
};

struct FontRecord {
  int32_t check;
  int* deletedFlag;
  GlyphSlot slots[kGlyphSlotCount];
  CharIndexEntry index[65536];
  int32_t nextSlot;
  int32_t slotCount;
  uint8_t* cacheBits;
  int32_t cachePitch;
  int32_t cacheBitsPerPixel;  // 1 for plain fonts, else 8
  char face[kFontFaceSize];
  int32_t thickness;
  int32_t size;
  int32_t cellHeight;  // the height of one line of text
  int32_t italic;
  int32_t spacing;
  int32_t cellSize;  // the side of one square cache cell
  HFONT__* gdiFont;
  int32_t type;  // FontRenderType
  int32_t charsetCode;
  int32_t edgeSize;
  int32_t cacheWidth;
  int32_t cacheHeight;
  int32_t cellsPerColumn;
  // The texture cache of the Direct3D renderer: the glyphs in a graph (its
  // right half holds the edges of edge fonts), made again from the staging
  // image's pixels layout when the graph is lost.
  int32_t cacheGraph;     // -1 none
  int32_t edgeHalfGraph;  // -1 none
  int32_t recreateGraph;  // 1 when the cache graph must be made (again)
  GraphImage staging;     // owns its pixels
  int32_t textureCache;   // 1 when the glyphs are kept in the cache graph
};

int StartFontSystem();
int EndFontSystem();
// Makes every font again under its old handle, for example after the screen
// mode changed; handles and spacings stay, deletion watchers are told.
int RecreateAllFonts();

FontRecord* GetFontRecord(int font);
// Makes the default font again when its settings differ from the font's.
int SyncDefaultFont();

// Glyph cache.
int ClearFontGlyphCache(int font);
// Makes the texture cache's graph when it is due (at creation, or after the
// graph was deleted); 0 also when nothing was to be done.
int CreateFontCacheGraph(int font);
// Splits the string (at most byteLimit bytes, -1 all) into character records
// and renders the characters not yet cached, at most a cache-full of them.
int CacheStringGlyphs(int font, const char* string, int byteLimit, CharRecord* records,
                      int* count);
// Renders the characters into the next slots, oldest first; the slot of the
// last character handled, or null when the font is not live.
GlyphSlot* RenderGlyphsToCache(int font, int count, const CharRecord* records);
// The slot that holds the character, rendering it when it is not cached;
// null when it cannot be rendered.
GlyphSlot* LookUpGlyph(FontRecord* record, int font, const CharRecord& character);

// Lays the string out: mode 0 measures, 1 draws into the destination (null
// draws nothing). transparentFlag 1 writes only glyph pixels. size, when
// given, receives {advance, cell height} (swapped for vertical text). The
// advance, or -1.
int DrawOrMeasureString(int mode, int x, int y, const char* string, ColorCode color,
                        SOFTIMG* destination, const IntRect* clip, int transparentFlag, int font,
                        ColorCode edgeColor, int byteLength, int verticalFlag, int* size);
// Draws through the font's cache graph into the current draw target.
int DrawStringByTexture(int font, int x, int y, const char* string, ColorCode color,
                        ColorCode edgeColor, int verticalFlag);
int DrawStringOnSoftImg(int font, int x, int y, const char* string, ColorCode color,
                        ColorCode edgeColor, int verticalFlag);

#endif
