#include <array>
#include <cstdarg>
#include <cstring>
#include <utility>

#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/font_system.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_images.h"
#include "software_renderer/plain_blit.h"
#include "software_renderer/soft_draw_settings.h"
#include "system/log.h"
#include "system/message_pump.h"
#include "system/string_helpers.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kFormatBufferSize = 2048;

// Pixel layouts of a destination image, taken from the image itself so that
// a 16-bit graph takes 16-bit text on a 32-bit screen and the reverse.
enum class Layout { k16, k16Alpha, k32, k32Alpha, kNone };

Layout LayoutOf(const SOFTIMG* image) {
  if (!IsSoftImgValid(image) || image->body->palettised) return Layout::kNone;
  switch (image->body->colorType) {
    case kSoftImgColor16:
      return image->body->alpha ? Layout::k16Alpha : Layout::k16;
    case kSoftImgColor32:
      return image->body->alpha ? Layout::k32Alpha : Layout::k32;
    default:
      return Layout::kNone;
  }
}

constexpr bool Is16(Layout l) { return l == Layout::k16 || l == Layout::k16Alpha; }

struct Channels {
  int r, g, b;  // in the layout's field widths (5-6-5 or 8-8-8)
};

// A text or edge colour as written: scaled by the draw bright, in the
// destination's channel widths and packed without alpha.
struct Ink {
  Channels text;
  Channels edge;
  uint32_t textValue;
  uint32_t edgeValue;
};

Channels BrightChannels(ColorCode code, uint32_t bright) {
  int r = 0;
  int g = 0;
  int b = 0;
  SplitColorCode(code, &r, &g, &b);
  const int br = static_cast<int>((bright >> 16) & 0xFF);
  const int bg = static_cast<int>((bright >> 8) & 0xFF);
  const int bb = static_cast<int>(bright & 0xFF);
  return {br * r / 255, bg * g / 255, bb * b / 255};
}

Channels ToLayout(Channels c, bool is16) {
  if (!is16) return c;
  return {c.r >> 3, c.g >> 2, c.b >> 3};
}

uint32_t PackChannels(Channels c, bool is16) {
  if (is16) return static_cast<uint32_t>(c.r << 11 | c.g << 5 | c.b);
  return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
}

Ink MakeInk(ColorCode color, ColorCode edgeColor, bool is16) {
  const uint32_t bright = GetDrawState().drawBright;
  Ink ink = {};
  ink.text = ToLayout(BrightChannels(color, bright), is16);
  ink.edge = ToLayout(BrightChannels(edgeColor, bright), is16);
  ink.textValue = PackChannels(ink.text, is16);
  ink.edgeValue = PackChannels(ink.edge, is16);
  return ink;
}

template <Layout L>
struct PixelOf {
  static constexpr bool kWide = L != Layout::k16;  // a 4-byte pixel
  static constexpr int kBytes = kWide ? 4 : 2;
  static uint32_t Pack(uint32_t color, uint32_t alpha) {
    if constexpr (L == Layout::k16Alpha) return color | alpha << 16;
    if constexpr (L == Layout::k32Alpha) return color | alpha << 24;
    return color;
  }
  static void Store(uint8_t* p, uint32_t v) {
    if constexpr (kWide) {
      std::memcpy(p, &v, 4);
    } else {
      const uint16_t v16 = static_cast<uint16_t>(v);
      std::memcpy(p, &v16, 2);
    }
  }
};

// The value a cache pixel gives, or false where the glyph has no pixel.
template <int Type, Layout L>
inline bool GlyphPixel(uint32_t source, const Ink& ink, uint32_t* out) {
  using P = PixelOf<L>;
  if (source == 0) return false;
  if constexpr (Type == kFontPlain) {
    *out = P::Pack(ink.textValue, 255);
  } else if constexpr (Type == kFontEdge) {
    *out = P::Pack(source == 1 ? ink.textValue : ink.edgeValue, 255);
  } else if constexpr (Type == kFontAntialiased) {
    *out = P::Pack(ink.textValue, source * 16);
  } else {
    const int g = static_cast<int>(source & 0x0F);
    const int e = static_cast<int>(source >> 4);
    if (g == 15) {
      *out = P::Pack(ink.textValue, 255);
    } else if (g == 0) {
      *out = P::Pack(ink.edgeValue, static_cast<uint32_t>(e * 16));
    } else {
      const int alpha = g * 16 + (15 - g) * e;
      const int f = (g * 4096) / alpha;
      const Channels mixed = {ink.edge.r + (((ink.text.r - ink.edge.r) * f) >> 8),
                              ink.edge.g + (((ink.text.g - ink.edge.g) * f) >> 8),
                              ink.edge.b + (((ink.text.b - ink.edge.b) * f) >> 8)};
      *out = P::Pack(PackChannels(mixed, Is16(L)), static_cast<uint32_t>(alpha));
    }
  }
  return true;
}

// One glyph's visible part: source columns i0..i1 and rows j0..j1 of the
// glyph in its cell, and the destination byte of source pixel (i0, j0).
struct GlyphJob {
  const uint8_t* cell;
  int cachePitch;
  int i0, i1, j0, j1;
  uint8_t* dest;
  int destPitch;
  const Ink* ink;
};

// Horizontal text steps right along a glyph row; vertical text turns the
// glyph a quarter turn clockwise, so a row runs down a destination column and
// the next row lies one column to the left.
template <int Type, Layout L, bool Transparent, bool Vertical>
void CopyGlyph(const GlyphJob& job) {
  using P = PixelOf<L>;
  const int stepI = Vertical ? job.destPitch : P::kBytes;
  const int stepJ = Vertical ? -P::kBytes : job.destPitch;
  uint8_t* rowDest = job.dest;
  for (int j = job.j0; j < job.j1; ++j, rowDest += stepJ) {
    const uint8_t* row = job.cell + j * job.cachePitch;
    uint8_t* d = rowDest;
    for (int i = job.i0; i < job.i1; ++i, d += stepI) {
      uint32_t source;
      if constexpr (Type == kFontPlain) {
        source = (row[i >> 3] >> (7 - (i & 7))) & 1;
      } else {
        source = row[i];
      }
      uint32_t value;
      if (GlyphPixel<Type, L>(source, *job.ink, &value)) {
        P::Store(d, value);
      } else if constexpr (!Transparent) {
        P::Store(d, 0);
      }
    }
  }
}

using GlyphLoop = void (*)(const GlyphJob&);

constexpr int kLayoutCount = 4;

template <int Index>
constexpr GlyphLoop LoopAt() {
  constexpr int type = Index / (kLayoutCount * 4);
  constexpr Layout layout = static_cast<Layout>((Index / 4) % kLayoutCount);
  return &CopyGlyph<type, layout, ((Index / 2) % 2) != 0, (Index % 2) != 0>;
}

template <size_t... I>
constexpr std::array<GlyphLoop, sizeof...(I)> MakeGlyphLoops(std::index_sequence<I...>) {
  return {LoopAt<static_cast<int>(I)>()...};
}

// One loop per font type, layout, transparency and direction.
constexpr auto kGlyphLoops = MakeGlyphLoops(std::make_index_sequence<4 * kLayoutCount * 4>());

GlyphLoop FindGlyphLoop(int type, Layout layout, int transparent, int vertical) {
  return kGlyphLoops[((type * kLayoutCount + static_cast<int>(layout)) * 2 + (transparent ? 1 : 0)) *
                         2 +
                     (vertical ? 1 : 0)];
}

bool IsSpace(const CharRecord& c) {
  return c.bytes[0] == 0x20 || (c.bytes[0] == 0x81 && c.bytes[1] == 0x40);
}

struct DrawSetup {
  SOFTIMG* dest;
  IntRect clip;
  GlyphLoop loop;
  int bytesPerPixel;
  Ink ink;
};

void DrawGlyph(const DrawSetup& setup, const FontRecord& record, const GlyphSlot& slot, int x,
               int y, int pen, bool vertical) {
  IntRect box;
  if (vertical) {
    box.right = x + record.cellHeight - slot.yOffset;
    box.left = box.right - slot.height;
    box.top = y + pen + slot.xOffset;
    box.bottom = box.top + slot.width;
  } else {
    box.left = x + pen + slot.xOffset;
    box.top = y + slot.yOffset;
    box.right = box.left + slot.width;
    box.bottom = box.top + slot.height;
  }
  const IntRect whole = box;
  ClipRectToBounds(&box, &setup.clip);
  if (box.right <= box.left || box.bottom <= box.top) return;

  GlyphJob job = {};
  job.cell = record.cacheBits +
             static_cast<size_t>(slot.cellNumber) * record.cellSize * record.cachePitch;
  job.cachePitch = record.cachePitch;
  job.ink = &setup.ink;
  if (vertical) {
    // Column c of the box shows source row right - 1 - c; row r shows
    // source column r - top.
    job.i0 = box.top - whole.top;
    job.i1 = box.bottom - whole.top;
    job.j0 = whole.right - box.right;
    job.j1 = whole.right - box.left;
    const int destX = whole.right - 1 - job.j0;
    const int destY = whole.top + job.i0;
    job.dest = setup.dest->pixels + destY * setup.dest->body->pitch + destX * setup.bytesPerPixel;
  } else {
    job.i0 = box.left - whole.left;
    job.i1 = box.right - whole.left;
    job.j0 = box.top - whole.top;
    job.j1 = box.bottom - whole.top;
    job.dest = setup.dest->pixels + box.top * setup.dest->body->pitch +
               box.left * setup.bytesPerPixel;
  }
  job.destPitch = setup.dest->body->pitch;
  setup.loop(job);
}

// The texture cache's glyph drawing: each glyph is a part of the cache graph
// (and of its edge half first, for edge fonts), drawn white through the
// draw bright set to the glyph's colour, so the blend mode and parameter
// apply as to any graph. Colours are 0x00RRGGBB, already scaled by the
// caller's bright; the blend graph is kept off the glyphs.
struct TextureInk {
  int text;
  int edge;
};

int PackBright(ColorCode code, uint32_t bright) {
  const Channels c = BrightChannels(code, bright);
  return c.r << 16 | c.g << 8 | c.b;
}

void DrawGlyphByTexture(const FontRecord& record, const GlyphSlot& slot, int x, int y, int pen,
                        bool vertical, const TextureInk& ink) {
  const int sx = (slot.cellNumber / record.cellsPerColumn) * record.cellSize + 1;
  const int sy = (slot.cellNumber % record.cellsPerColumn) * record.cellSize + 1;
  const bool edged = (record.type & kFontEdge) != 0 && record.edgeHalfGraph != -1;
  if (!vertical) {
    const int dx = x + pen + slot.xOffset;
    const int dy = y + slot.yOffset;
    if (edged) {
      SetDrawBrightPacked(ink.edge);
      PutGraphPart(dx, dy, sx, sy, slot.width, slot.height, record.edgeHalfGraph, 1, 0);
    }
    SetDrawBrightPacked(ink.text);
    PutGraphPart(dx, dy, sx, sy, slot.width, slot.height, record.cacheGraph, 1, 0);
    return;
  }
  // The whole graph turned a quarter turn clockwise, placed so that the
  // glyph's cell falls on the glyph's box, with the draw area narrowed to
  // that box (one pixel wider on either side).
  DrawStateRecord& state = GetDrawState();
  const IntRect savedArea = state.drawArea;
  const int right = x + record.cellHeight - slot.yOffset;
  const int top = y + pen + slot.xOffset;
  IntRect box = {right - slot.height - 1, top, right + 1, top + slot.width};
  ClipRectToBounds(&box, &savedArea);
  if (box.right <= box.left || box.bottom <= box.top) return;
  SetDrawClipRect(box.left, box.top, box.right, box.bottom);
  auto turned = [&](int graph) {
    int w = 0;
    int h = 0;
    QueryGraphSize(graph, &w, &h);
    const float x0 = static_cast<float>(right + sy);
    const float y0 = static_cast<float>(top - sx);
    PutGraphQuad(x0, y0, x0, y0 + static_cast<float>(w), x0 - static_cast<float>(h),
                 y0 + static_cast<float>(w), x0 - static_cast<float>(h), y0, graph, 1);
  };
  if (edged) {
    SetDrawBrightPacked(ink.edge);
    turned(record.edgeHalfGraph);
  }
  SetDrawBrightPacked(ink.text);
  turned(record.cacheGraph);
  SetDrawClipRect(savedArea.left, savedArea.top, savedArea.right, savedArea.bottom);
}

struct LayoutBuffers {
  CharRecord records[kShortStringBytes];
};

LayoutBuffers layoutBuffers;

// A view of the work image that text is blended from: the screen's own when
// it has the destination's layout and room, else an image of its own. The
// caller releases the view either way.
bool TakeWorkImage(const SOFTIMG* dest, bool alpha, int width, int height, SOFTIMG* view) {
  SOFTIMG* screenWork = alpha ? GetAlphaWorkScreenSoftImg() : GetWorkScreenSoftImg();
  if (IsSoftImgValid(screenWork) && screenWork->body->colorType == dest->body->colorType &&
      width <= screenWork->width && height <= screenWork->height) {
    CreateSubSoftImg(view, screenWork, 0, 0, width, height);
    return IsSoftImgValid(view) != 0;
  }
  return CreateSoftImg(view, width, height, -1, 0, dest->body->colorType, 0, alpha ? 1 : 0, 0,
                       nullptr) == 0;
}

}  // namespace

int DrawOrMeasureString(int mode, int x, int y, const char* string, ColorCode color,
                        SOFTIMG* destination, const IntRect* clip, int transparentFlag, int font,
                        ColorCode edgeColor, int byteLength, int verticalFlag, int* size) {
  FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  if (!string || string[0] == '\0') return 0;
  int length = static_cast<int>(std::strlen(string));
  if (byteLength >= 0 && byteLength < length) length = byteLength;
  const bool vertical = verticalFlag == 1;

  CharRecord* records = layoutBuffers.records;
  void* allocated = nullptr;
  if (length > kShortStringBytes) {
    allocated = AllocTrackedMemory(static_cast<size_t>(length) * 3, "", 0);
    if (!allocated) return -1;
    records = static_cast<CharRecord*>(allocated);
  }
  int count = 0;
  if (CacheStringGlyphs(font, string, length, records, &count) != 0) {
    if (allocated) FreeTrackedMemory(allocated);
    return -1;
  }

  DrawSetup setup = {};
  bool drawing = false;
  if (mode == 1 && destination) {
    const Layout layout = LayoutOf(destination);
    if (layout != Layout::kNone) {
      drawing = true;
      setup.dest = destination;
      setup.clip = {0, 0, destination->width, destination->height};
      if (clip) ClipRectToBounds(&setup.clip, clip);
      setup.loop = FindGlyphLoop(record->type, layout, transparentFlag == 1, vertical);
      setup.bytesPerPixel = layout == Layout::k16 ? 2 : 4;
      setup.ink = MakeInk(color, edgeColor, Is16(layout));
    }
  }

  const bool byTexture = mode == 1 && record->textureCache && record->cacheGraph != -1;
  DrawStateRecord& state = GetDrawState();
  const uint32_t savedBright = state.drawBright;
  const int savedBlendGraph = state.blendGraph;
  const int savedBorderParam = state.blendBorderParam;
  const int savedBorderRange = state.blendBorderRange;
  TextureInk textureInk = {};
  if (byTexture) {
    textureInk.text = PackBright(color, savedBright);
    textureInk.edge = PackBright(edgeColor, savedBright);
    SetBlendGraph(-1, savedBorderParam, savedBorderRange);
  }

  int pen = 0;
  for (int n = 0; n < count; ++n) {
    const GlyphSlot* slot = LookUpGlyph(record, font, records[n]);
    if (!slot) {
      if (byTexture) {
        SetDrawBrightPacked(static_cast<int>(savedBright));
        SetBlendGraph(savedBlendGraph, savedBorderParam, savedBorderRange);
      }
      AppendLog("テキストキャッシュの作成に失敗しました");
      if (allocated) FreeTrackedMemory(allocated);
      return -1;
    }
    if (!IsSpace(records[n]) && (slot->width != 0 || slot->height != 0)) {
      if (drawing) DrawGlyph(setup, *record, *slot, x, y, pen, vertical);
      if (byTexture) DrawGlyphByTexture(*record, *slot, x, y, pen, vertical, textureInk);
    }
    pen += slot->advance + record->spacing;
  }
  if (byTexture) {
    SetDrawBrightPacked(static_cast<int>(savedBright));
    SetBlendGraph(savedBlendGraph, savedBorderParam, savedBorderRange);
  }
  if (allocated) FreeTrackedMemory(allocated);
  if (size) {
    size[0] = vertical ? record->cellHeight : pen;
    size[1] = vertical ? pen : record->cellHeight;
  }
  return pen;
}

int DrawStringOnSoftImg(int font, int x, int y, const char* string, ColorCode color,
                        ColorCode edgeColor, int verticalFlag) {
  const FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  int size[2] = {0, 0};
  if (DrawOrMeasureString(0, 0, 0, string, color, nullptr, nullptr, 1, font, edgeColor, -1,
                          verticalFlag, size) < 0) {
    return -1;
  }
  SOFTIMG* target = GetCurrentDrawSoftImg();
  // Only software images take text; a target without one (the Direct3D
  // renderer's screens) is refused rather than left blank in silence.
  if (LayoutOf(target) == Layout::kNone) return -1;
  DrawStateRecord& state = GetDrawState();
  const bool antialiased = (record->type & kFontAntialiased) != 0;
  if (!antialiased &&
      (state.blendMode == 0 || (state.blendMode == 1 && state.blendParam == 255))) {
    DrawOrMeasureString(1, x, y, string, color, target, &state.drawArea, 1, font, edgeColor, -1,
                        verticalFlag, nullptr);
    return 0;
  }

  // The box also takes a cell beyond the advance, so that a last glyph
  // wider than its advance (or one pulled closer by a negative spacing)
  // keeps its right columns.
  const int boxWidth = size[0] + record->cellSize;
  const int boxHeight = size[1] + record->cellSize;
  SOFTIMG work = {};
  if (!TakeWorkImage(target, antialiased, boxWidth, boxHeight, &work)) return -1;

  uint32_t key = 0;
  if (!antialiased) {
    // The key must differ from the values written, which are the colours
    // after the bright, not the caller's codes.
    const bool is16 = target->body->colorType == kSoftImgColor16;
    const Ink ink = MakeInk(color, edgeColor, is16);
    const uint32_t mask = is16 ? 0xFFFFu : 0xFFFFFFFFu;
    key = work.body->transparentColor & mask;
    while (key == ink.textValue || key == ink.edgeValue) key = (key + 1) & mask;
  }
  work.body->transparentColor = key;
  const IntRect box = {0, 0, boxWidth, boxHeight};
  FillSoftImgRaw(&work, &box, key);
  DrawOrMeasureString(1, 0, 0, string, color, &work, &box, 1, font, edgeColor, -1, verticalFlag,
                      nullptr);

  // The colours already carry the bright; the blend applies once.
  const uint32_t savedBright = state.drawBright;
  SetDrawBrightPacked(0xFFFFFF);
  DrawImageOnSoftImg(target, &work, x, y, 1, GetBlendGraphSoftImg());
  SetDrawBrightPacked(static_cast<int>(savedBright));
  ReleaseSoftImg(&work);
  return 0;
}

int DrawStringByTexture(int font, int x, int y, const char* string, ColorCode color,
                        ColorCode edgeColor, int verticalFlag) {
  const FontRecord* record = GetFontRecord(font);
  if (!record) return -1;
  if (!record->textureCache) return -1;
  // Makes the graph again when a restore took it.
  if (CreateFontCacheGraph(font) != 0) return -1;
  const int length = string ? static_cast<int>(std::strlen(string)) : 0;
  if (DrawOrMeasureString(1, x, y, string, color, nullptr, &GetDrawState().drawArea, 1, font,
                          edgeColor, length, verticalFlag, nullptr) < 0) {
    return -1;
  }
  return 0;
}

int DrawStringWithFont(int x, int y, const char* text, ColorCode color, int font,
                       ColorCode edgeColor, int verticalFlag) {
  if (!text || text[0] == '\0' || GetDrawState().drawAreaEmpty) return 0;
  const FontRecord* record = GetFontRecord(font);
  if (!record) {
    AppendLog("フォントハンドル値が異常です\n");
    return -1;
  }
  WaitWhileInactive();
  const DrawStateRecord& state = GetDrawState();
  const bool masked = GetMaskState().inEffect != 0;
  // Text of a texture-cached font is drawn by the device, glyph by glyph
  // through the graph calls, which emulate subtraction where the device
  // cannot subtract.
  auto draw = [&]() {
    return record->textureCache
               ? DrawStringByTexture(font, x, y, text, color, edgeColor, verticalFlag)
               : DrawStringOnSoftImg(font, x, y, text, color, edgeColor, verticalFlag);
  };
  if (!masked && state.drawTarget != kDrawTargetFrontScreen) return draw();
  // The rectangle the text may touch: one line from x to the area's edge.
  const int lineReach = record->size + 3;
  const IntRect rect = verticalFlag ? IntRect{x, y, x + lineReach, state.drawArea.bottom}
                                    : IntRect{x, y, state.drawArea.right, y + lineReach};
  // Text that starts right of the drawing area shows nothing.
  if (rect.left >= state.drawArea.right) return 0;
  if (masked) BeginMaskedDraw(rect);
  const int result = draw();
  if (masked) EndMaskedDraw(rect);
  return result;
}

int DrawStringDefaultFont(int x, int y, const char* text, ColorCode color, ColorCode edgeColor) {
  SyncDefaultFont();
  return DrawStringWithFont(x, y, text, color, QueryDefaultFontHandle(), edgeColor, 0);
}

int DrawStringFormatted(int x, int y, ColorCode color, const char* format, ...) {
  char buffer[kFormatBufferSize];
  va_list args;
  va_start(args, format);
  FormatStringV(buffer, sizeof(buffer), format, args);
  va_end(args);
  SyncDefaultFont();
  return DrawStringWithFont(x, y, buffer, color, QueryDefaultFontHandle(), 0, 0);
}

int MeasureStringWidth(const char* text, int length, int verticalFlag) {
  SyncDefaultFont();
  return DrawOrMeasureString(0, 0, 0, text, 0, nullptr, nullptr, 1, QueryDefaultFontHandle(), 0,
                             length, verticalFlag, nullptr);
}
