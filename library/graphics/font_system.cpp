#include "graphics/font_system.h"

#include <windows.h>

#include <cmath>

#include "graphics/graph_textures.h"
#include "graphics/screen_settings.h"
#include "system/charset.h"
#include "system/handle_table.h"
#include "system/log.h"
#include "system/string_helpers.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kCheckLimit = 2047;
constexpr int kSoftwareCacheArea = 0x50000;
constexpr int kMinimumSlots = 20;
constexpr int64_t kMaxCacheBytes = 0x40000000;
constexpr int64_t kMaxCellSize = 0x7FFF;
const char kDefaultFace[] = "ＭＳ ゴシック";

struct DefaultFontSettings {
  char face[kDefaultFaceSize];
  int size;
  int thickness;
  int type;
  int charsetCode;
  int edgeSize;
  int italic;
  int spacing;
};

struct FontSystemState {
  FontRecord* table[kFontSlotCount];
  int checkCounter;
  // Neither has a setter: the texture cache is used whenever the Direct3D
  // renderer is, and its slot count follows the cell size.
  int textureCacheOff;
  int slotSetting;
  int defaultFont;
  DefaultFontSettings defaults;
};

FontSystemState fontState = {};

constexpr BYTE kFontCharsetTable[] = {DEFAULT_CHARSET, SHIFTJIS_CHARSET, HANGUL_CHARSET,
                                      CHINESEBIG5_CHARSET, GB2312_CHARSET};

BYTE GdiCharset(int charsetCode) {
  if (charsetCode < 0 || charsetCode >= static_cast<int>(sizeof(kFontCharsetTable))) {
    return DEFAULT_CHARSET;
  }
  return kFontCharsetTable[charsetCode];
}

void CopyBounded(char* dest, const char* source, int destSize) {
  int i = 0;
  if (source) {
    for (; i < destSize - 1 && source[i] != '\0'; ++i) dest[i] = source[i];
  }
  dest[i] = '\0';
}

HFONT MakeGdiFont(int size, int thickness, int italic, BYTE charset, const char* face) {
  return CreateFontA(size, 0, 0, 0, thickness * 100, static_cast<DWORD>(italic), FALSE, FALSE,
                     charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                     FIXED_PITCH, face);
}

// The font creation's fall-back chain. With a face: that face under the
// text code's character set, then the default and the Shift-JIS sets.
// Without: the default face, then without italics, then the system's choice.
HFONT CreateGdiFontWithFallback(const FontRecord& record) {
  const BYTE charset = GdiCharset(record.charsetCode);
  HFONT font = nullptr;
  if (record.face[0] != '\0') {
    font = MakeGdiFont(record.size, record.thickness, record.italic, charset, record.face);
    if (!font) {
      font = MakeGdiFont(record.size, record.thickness, record.italic, DEFAULT_CHARSET,
                         record.face);
    }
    if (!font) {
      font = MakeGdiFont(record.size, record.thickness, record.italic, SHIFTJIS_CHARSET,
                         record.face);
    }
    if (!font) AppendLog("指定のフォントの作成に失敗しました\n");
    return font;
  }
  font = MakeGdiFont(record.size, record.thickness, record.italic, charset, kDefaultFace);
  if (!font) font = MakeGdiFont(record.size, record.thickness, 0, DEFAULT_CHARSET, kDefaultFace);
  if (!font) font = MakeGdiFont(record.size, record.thickness, 0, DEFAULT_CHARSET, nullptr);
  if (!font) AppendLog("フォントの作成に失敗しました\n");
  return font;
}

// The texture cache: a square-ish graph of whole cells (a slot setting s
// gives the power of two that holds s + 1 cells a side), its graph and the
// staging image that glyphs are rendered into before they go to the graph.
int SetUpTextureCache(FontRecord* record, int handle) {
  const int cell = record->cellSize;
  int width = 512;
  int height = 512;
  int slots;
  if (fontState.slotSetting == 0) {
    slots = (width / cell) * (height / cell);
    while (slots < 10) {
      if (width <= height) {
        width *= 2;
      } else {
        height *= 2;
      }
      slots = (height / cell) * (width / cell);
    }
  } else {
    const double root = std::sqrt(static_cast<double>(fontState.slotSetting));
    const int side = (static_cast<int>(root) + 1) * cell;
    int p = 8;
    while (p < side) p *= 2;
    width = height = p;
    slots = (p / cell) * (p / cell);
  }
  if (slots > kMaxGlyphSlots) slots = kMaxGlyphSlots;
  record->slotCount = slots;
  record->cacheWidth = width;
  record->cacheHeight = height;
  record->cellsPerColumn = height / cell;
  record->recreateGraph = 1;
  if (CreateFontCacheGraph(handle) != 0) {
    AppendLog("テクスチャ文字キャッシュの作成に失敗しました\n");
    record->textureCache = 0;
    return 0;
  }
  // Glyphs are kept as white with their coverage in alpha. Every font type
  // takes the alpha layout: without alpha a plain glyph's cell would show
  // as a solid box.
  const ColorFormat* format = GraphFormatColorFormatForFlags(1, 0, 0, 0);
  GraphImage& staging = record->staging;
  staging.format = *format;
  staging.width = (record->type & kFontEdge) ? 2 * width : width;
  staging.height = height;
  staging.pitch = format->bytesPerPixel * staging.width;
  staging.mipLevels = 0;
  staging.pixels = AllocTrackedMemoryZeroed(static_cast<size_t>(staging.pitch) * height, "", 0);
  if (!staging.pixels) {
    AppendLog("文字キャッシュ基本イメージ用のメモリの確保に失敗しました\n");
    return -1;
  }
  return 0;
}

int FailCreation(FontRecord* record, int slot) {
  record->check = 0;
  DeleteFontHandle(MakeHandle(slot, 0, kHandleKindFont));
  return -1;
}

bool IsDefaultFontCurrent() {
  const FontRecord* record = GetFontRecord(fontState.defaultFont);
  if (!record) return false;
  const DefaultFontSettings& d = fontState.defaults;
  return lstrcmpA(record->face, d.face) == 0 && record->type == d.type &&
         record->size == d.size && record->thickness == d.thickness &&
         record->charsetCode == d.charsetCode && record->edgeSize == d.edgeSize &&
         record->italic == d.italic;
}

}  // namespace

int CreateFontToHandle(const char* face, int size, int thickness, int type, int charsetCode,
                       int edgeSize, int italic, int slot, int check) {
  if (GetSystemState().run.windowDestroyed) return -1;
  if (type == -1) type = kFontPlain;
  if (edgeSize > 1) type |= kFontEdge;
  if (size == -1) size = 16;
  if (thickness == -1) thickness = 6;
  // The record's edge is at least one pixel.
  if (edgeSize < 1) edgeSize = 1;
  if (charsetCode == -1) charsetCode = GetCharsetCode();
  // A given slot or check number must fit the handle's fields, or the handle
  // made from it would name another slot or kind.
  if (slot != -1 && (slot < 0 || slot >= kFontSlotCount)) return -1;
  if (check != -1 && (check < 0 || check > kCheckLimit)) return -1;

  if (slot == -1) {
    for (slot = 0; slot < kFontSlotCount && fontState.table[slot]; ++slot) {
    }
    if (slot == kFontSlotCount) {
      AppendLogFormat("作成できるフォントハンドル数 %d の限界を超えました", kFontSlotCount);
      return -1;
    }
  } else if (fontState.table[slot]) {
    return -1;
  }

  auto* record = static_cast<FontRecord*>(AllocTrackedMemoryZeroed(sizeof(FontRecord), "", 0));
  if (!record) {
    AppendLog("フォント管理用メモリ領域の確保に失敗しました\n");
    return -1;
  }
  fontState.table[slot] = record;
  record->cacheGraph = -1;
  record->edgeHalfGraph = -1;

  // Anti-aliased glyphs need more than a palette screen can show.
  if (GetScreenColorBits() == 8) type &= ~kFontAntialiased;
  record->edgeSize = edgeSize;
  record->type = type;
  record->size = size;
  record->thickness = thickness;
  record->italic = italic;
  record->spacing = 0;
  if (check == -1) {
    check = fontState.checkCounter;
    fontState.checkCounter = fontState.checkCounter >= kCheckLimit ? 0 : fontState.checkCounter + 1;
  }
  record->check = check;
  record->charsetCode = charsetCode;
  record->textureCache = GetScreenSettings().hardwareOn && !fontState.textureCacheOff ? 1 : 0;
  CopyBounded(record->face, face, kFontFaceSize);

  HFONT gdiFont = CreateGdiFontWithFallback(*record);
  if (!gdiFont) return FailCreation(record, slot);
  record->gdiFont = reinterpret_cast<HFONT__*>(gdiFont);

  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    AppendLog("ＤＣの取得に失敗しました\n");
    return FailCreation(record, slot);
  }
  HGDIOBJ old = SelectObject(dc, gdiFont);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  DeleteDC(dc);

  const int64_t e = (type & kFontEdge) ? edgeSize : 0;
  int64_t cell = (metrics.tmMaxCharWidth + 2 + 2 * e + 7) / 8 * 8;
  int64_t cellHeight = metrics.tmHeight + 2 * e;
  if (cellHeight & 1) ++cellHeight;
  if (cell < cellHeight) cell = cellHeight;
  // Glyph boxes are kept in 16 bits; a larger cell could never be cached.
  if (cell > kMaxCellSize) {
    AppendLog("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
    return FailCreation(record, slot);
  }
  record->cellSize = static_cast<int>(cell);
  record->cellHeight = static_cast<int>(cellHeight);

  const int handle = MakeHandle(slot, check, kHandleKindFont);
  if (record->textureCache && SetUpTextureCache(record, handle) != 0) {
    return FailCreation(record, slot);
  }
  if (!record->textureCache) {
    int slots = static_cast<int>(kSoftwareCacheArea / (cell * cell));
    if (slots < kMinimumSlots) slots = kMinimumSlots;
    if (slots > kMaxGlyphSlots) slots = kMaxGlyphSlots;
    record->cacheBitsPerPixel = type == kFontPlain ? 1 : 8;
    record->slotCount = slots;
    record->cacheWidth = record->cellSize;
    record->cacheHeight = slots * record->cellSize;
    record->cellsPerColumn = slots;
    record->cachePitch = (record->cellSize * record->cacheBitsPerPixel + 7) / 8;
    // A size or edge so large that the cache cannot be counted in memory is
    // a failed allocation, not a wrapped-round small one.
    const int64_t cacheBytes = int64_t{record->cacheHeight} * record->cachePitch;
    if (cacheBytes <= kMaxCacheBytes) {
      record->cacheBits =
          static_cast<uint8_t*>(AllocTrackedMemory(static_cast<size_t>(cacheBytes), "", 0));
    }
    if (!record->cacheBits) {
      AppendLog("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
      return FailCreation(record, slot);
    }
  }

  ClearFontGlyphCache(handle);
  record->deletedFlag = nullptr;
  return handle;
}

FontRecord* GetFontRecord(int font) {
  if (font < 0 || (font & 0x78000000) != (kHandleKindFont << 27)) return nullptr;
  const int slot = HandleSlot(font);
  if (slot >= kFontSlotCount) return nullptr;
  FontRecord* record = fontState.table[slot];
  if (!record || (record->check << 16) != (font & 0x07FF0000)) return nullptr;
  return record;
}

int IsValidFontHandle(int font) { return GetFontRecord(font) ? 1 : 0; }

int DeleteFontHandle(int font) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  if (record->gdiFont) DeleteObject(reinterpret_cast<HFONT>(record->gdiFont));
  record->gdiFont = nullptr;
  if (record->cacheBits) FreeTrackedMemory(record->cacheBits);
  record->cacheBits = nullptr;
  if (record->cacheGraph >= 0) {
    // The graph's deletion watcher is this record's own flag.
    record->recreateGraph = 0;
    RemoveGraph(record->cacheGraph, 0);
    if (record->edgeHalfGraph >= 0) RemoveGraph(record->edgeHalfGraph, 0);
    record->cacheGraph = -1;
    record->edgeHalfGraph = -1;
  }
  if (record->staging.pixels) FreeTrackedMemory(record->staging.pixels);
  record->staging.pixels = nullptr;
  if (record->deletedFlag) *record->deletedFlag = 1;
  FreeTrackedMemory(record);
  fontState.table[HandleSlot(font)] = nullptr;
  return 0;
}

int SetFontHandleSpacing(int spacing, int font) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  record->spacing = spacing;
  return 0;
}

int SetFontDeletedFlagPointer(int font, int* flag) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  record->deletedFlag = flag;
  if (flag) *flag = 0;
  return 0;
}

int GetFontHandleInfo(char* face, int* size, int* thickness, int font) {
  const FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  if (face) CopyBounded(face, record->face, kFontFaceSize);
  if (size) *size = record->size;
  if (thickness) *thickness = record->thickness;
  return 0;
}

int GetFontHandleSize(int font) {
  const FontRecord* record = GetFontRecord(font);
  return record ? record->size : -1;
}

int QueryDefaultFontHandle() { return fontState.defaultFont; }

int SyncDefaultFont() {
  if (IsDefaultFontCurrent()) return 0;
  DeleteFontHandle(fontState.defaultFont);
  const DefaultFontSettings& d = fontState.defaults;
  fontState.defaultFont =
      CreateFontToHandle(d.face, d.size, d.thickness, d.type, d.charsetCode,
                         (d.type & kFontEdge) ? d.edgeSize : -1, d.italic, -1, -1);
  SetFontHandleSpacing(d.spacing, fontState.defaultFont);
  return 0;
}

int SetDefaultFontSize(int size) {
  fontState.defaults.size = size == -1 ? 16 : size;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontThickness(int thickness) {
  fontState.defaults.thickness = thickness == -1 ? 6 : thickness;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontSizeAndThickness(const char*, int size, int thickness) {
  fontState.defaults.size = size == -1 ? 16 : size;
  fontState.defaults.thickness = thickness == -1 ? 6 : thickness;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontFace(const char* face, int charsetCode) {
  CopyBounded(fontState.defaults.face, face, kDefaultFaceSize);
  fontState.defaults.charsetCode = charsetCode == -1 ? GetCharsetCode() : charsetCode;
  SyncDefaultFont();
  return 0;
}

int SetDefaultFontSpacing(int spacing) {
  SyncDefaultFont();
  fontState.defaults.spacing = spacing;
  SetFontHandleSpacing(spacing, fontState.defaultFont);
  return 0;
}

int ResetFontSystem() {
  AppendLog("フォントの初期化を行います\n");
  IncreaseLogIndent();
  DefaultFontSettings remembered = fontState.defaults;
  int edgeSize = remembered.edgeSize;
  remembered.face[0] = '\0';
  const FontRecord* current = GetFontRecord(fontState.defaultFont);
  if (current) {
    CopyBounded(remembered.face, current->face, kDefaultFaceSize);
    remembered.size = current->size;
    remembered.thickness = current->thickness;
    remembered.type = current->type;
    remembered.charsetCode = current->charsetCode;
    remembered.italic = current->italic;
    edgeSize = current->edgeSize;
  }
  for (int slot = 0; slot < kFontSlotCount; ++slot) {
    if (fontState.table[slot]) {
      DeleteFontHandle(MakeHandle(slot, fontState.table[slot]->check, kHandleKindFont));
    }
  }
  fontState.defaultFont =
      CreateFontToHandle(remembered.face, remembered.size, remembered.thickness, remembered.type,
                         remembered.charsetCode, edgeSize, remembered.italic, -1, -1);
  DecreaseLogIndent();
  AppendLog("フォントの初期化は正常に終了しました\n");
  return 0;
}

int RecreateAllFonts() {
  for (int slot = 0; slot < kFontSlotCount; ++slot) {
    const FontRecord* record = fontState.table[slot];
    if (!record) continue;
    char face[kFontFaceSize];
    CopyBounded(face, record->face, kFontFaceSize);
    const int check = record->check;
    const int size = record->size;
    const int thickness = record->thickness;
    const int type = record->type;
    const int charsetCode = record->charsetCode;
    const int edgeSize = record->edgeSize;
    const int italic = record->italic;
    const int spacing = record->spacing;
    DeleteFontHandle(MakeHandle(slot, check, kHandleKindFont));
    const int handle = CreateFontToHandle(face, size, thickness, type, charsetCode, edgeSize,
                                          italic, slot, check);
    if (IsValidFontHandle(handle)) SetFontHandleSpacing(spacing, handle);
  }
  return 0;
}

int StartFontSystem() {
  fontState = FontSystemState{};
  DefaultFontSettings& d = fontState.defaults;
  d.type = kFontPlain;
  d.size = 16;
  d.thickness = 6;
  d.charsetCode = GetCharsetCode();
  d.edgeSize = 1;
  d.italic = 0;
  d.spacing = 0;
  ResetFontSystem();
  return 0;
}

int EndFontSystem() {
  for (int slot = 0; slot < kFontSlotCount; ++slot) {
    if (fontState.table[slot]) {
      DeleteFontHandle(MakeHandle(slot, fontState.table[slot]->check, kHandleKindFont));
    }
  }
  fontState.defaultFont = -1;
  return 0;
}
