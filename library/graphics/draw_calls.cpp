#include <cmath>
#include <cstring>

#include "direct3d9/device_draw.h"
#include "direct3d9/device_services.h"
#include "direct3d9/primitive_draw.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "direct3d9/direct3d_state.h"
#include "graphics/graph_handles.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "software_renderer/blend_tables.h"
#include "software_renderer/draw_line.h"
#include "software_renderer/fill_rect.h"
#include "software_renderer/plain_blit.h"
#include "software_renderer/stretched_blit.h"
#include "software_renderer/triangle_draw.h"
#include "sound/movie_services.h"
#include "system/message_pump.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

bool HardwareOn() { return GetScreenSettings().hardwareOn != 0; }

// The guards every graph call runs before its back end. Returns the record,
// or null with *result set when the call ends here.
GraphRecord* GuardGraphCall(int graph, int* result) {
  *result = 0;
  if (GetDrawState().drawAreaEmpty) return nullptr;
  GraphRecord* record = GetGraphRecord(graph);
  if (!record || !record->original || CheckBlendGraphCovers(record) != 0) {
    *result = -1;
    return nullptr;
  }
  WaitWhileInactive();
  if (record->movie != -1) UpdateMovieFrame(record->movie, 0);
  return record;
}

// The guards of the calls without a graph: false when nothing is drawn.
bool GuardShapeCall() {
  if (GetDrawState().drawAreaEmpty) return false;
  WaitWhileInactive();
  return true;
}

int TruncFloatToInt(float value) { return static_cast<int>(value); }

IntRect OrderedRect(int x1, int y1, int x2, int y2) {
  return {x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, x1 < x2 ? x2 : x1, y1 < y2 ? y2 : y1};
}

// Brackets one primitive with BeginMaskedDraw / EndMaskedDraw while the mask
// is in effect; the rectangle is the area the primitive may touch.
class MaskedDrawScope {
 public:
  explicit MaskedDrawScope(const IntRect& rect)
      : active_(GetMaskState().inEffect != 0), rect_(rect) {
    if (active_) BeginMaskedDraw(rect_);
  }
  ~MaskedDrawScope() {
    if (active_) EndMaskedDraw(rect_);
  }
  MaskedDrawScope(const MaskedDrawScope&) = delete;
  MaskedDrawScope& operator=(const MaskedDrawScope&) = delete;

 private:
  bool active_;
  IntRect rect_;
};

// A device without a reverse-subtract operation subtracts by inverting the
// destination, adding, and inverting again: 255 - ((255 - d) + s) = d - s.
bool NeedsSubtractEmulation() {
  return GetDrawState().blendMode == 3 && !GetDirect3DState().nativeBlendOp;
}

void InvertRectByDevice(const IntRect& rect) {
  DrawStateRecord& state = GetDrawState();
  const uint32_t bright = state.drawBright;
  SetBrightRGB(255, 255, 255);
  SetBlendModeAndParam(3, 255);
  PaintFilledBoxByDevice(rect.left, rect.top, rect.right, rect.bottom,
                         ComposeColorCode(255, 255, 255));
  SetDrawBrightPacked(static_cast<int>(bright));
}

template <typename DeviceDraw>
int DrawByDevice(const IntRect& rect, DeviceDraw draw) {
  if (!NeedsSubtractEmulation()) return draw();
  const int param = GetDrawState().blendParam;
  InvertRectByDevice(rect);
  SetBlendModeAndParam(5, param);
  const int result = draw();
  InvertRectByDevice(rect);
  SetBlendModeAndParam(3, param);
  return result;
}

struct Corner {
  int x;
  int y;
};

// Two solid triangles (c1, c2, c4) and (c3, c4, c2) of a ring of corners;
// outlined when fill is 0.
void PaintQuadSoft(const Corner c[4], ColorCode color, int fill) {
  SOFTIMG* target = GetCurrentDrawSoftImg();
  if (fill) {
    const TriangleVertex first[3] = {{c[0].x, c[0].y, 0, 0}, {c[1].x, c[1].y, 0, 0},
                                     {c[3].x, c[3].y, 0, 0}};
    const TriangleVertex second[3] = {{c[2].x, c[2].y, 0, 0}, {c[3].x, c[3].y, 0, 0},
                                      {c[1].x, c[1].y, 0, 0}};
    DrawTriangleOnSoftImg(target, nullptr, first, 0, GetBlendGraphSoftImg(), color);
    DrawTriangleOnSoftImg(target, nullptr, second, 0, GetBlendGraphSoftImg(), color);
    return;
  }
  const int param = GetDrawState().blendParam;
  LineRecord lines[4];
  for (int i = 0; i < 4; ++i) {
    const Corner& from = c[i];
    const Corner& to = c[(i + 1) % 4];
    lines[i] = {from.x, from.y, to.x, to.y, static_cast<int32_t>(color), param};
  }
  DrawLinesOnSoftImg(target, lines, 4);
}

// The 20-byte vertex of DrawVertexList.
struct ListVertex {
  float x, y;
  uint8_t blue, green, red, alpha;
  float u, v;
};
static_assert(sizeof(ListVertex) == 20, "DrawVertexList reads 20-byte vertices");
constexpr int kTriangleStrip = 5;

int PaintThickLine(ColorCode color, int x1, int y1, int x2, int y2, int thickness) {
  const float dx = static_cast<float>(x2 - x1);
  const float dy = static_cast<float>(y2 - y1);
  const float length = std::sqrt(dx * dx + dy * dy);
  // A line of no length has no direction to widen.
  if (length == 0.0f) return 0;
  const float scale = static_cast<float>(thickness) * 0.5f / length;
  const float ox = dy * scale;
  const float oy = -dx * scale;
  const Corner ring[4] = {
      {TruncFloatToInt(static_cast<float>(x1) + ox), TruncFloatToInt(static_cast<float>(y1) + oy)},
      {TruncFloatToInt(static_cast<float>(x2) + ox), TruncFloatToInt(static_cast<float>(y2) + oy)},
      {TruncFloatToInt(static_cast<float>(x2) - ox), TruncFloatToInt(static_cast<float>(y2) - oy)},
      {TruncFloatToInt(static_cast<float>(x1) - ox), TruncFloatToInt(static_cast<float>(y1) - oy)},
  };
  if (HardwareOn()) {
    // One triangle strip through the ring's corners 1, 2, 4, 3.
    int r = 0, g = 0, b = 0;
    SplitColorCode(color, &r, &g, &b);
    const float xs[4] = {x1 + ox, x2 + ox, x1 - ox, x2 - ox};
    const float ys[4] = {y1 + oy, y2 + oy, y1 - oy, y2 - oy};
    ListVertex strip[4];
    for (int i = 0; i < 4; ++i) {
      strip[i] = {xs[i], ys[i], static_cast<uint8_t>(b), static_cast<uint8_t>(g),
                  static_cast<uint8_t>(r), 255, 0.0f, 0.0f};
    }
    return DrawVertexList(strip, 4, kTriangleStrip, -5, 0, 0);
  }
  PaintQuadSoft(ring, color, 1);
  return 0;
}

}  // namespace

int PutGraph(int x, int y, int graph, int transFlag) {
  if (!GetSystemState().run.initialised) return -1;
  int result = 0;
  GraphRecord* record = GuardGraphCall(graph, &result);
  if (!record) return result;
  const IntRect rect = {x, y, x + record->width, y + record->height};
  MaskedDrawScope mask(rect);
  if (record->original->hardwareImage) {
    return DrawByDevice(rect, [&] {
      return PutGraphByDevice(record, x, y, static_cast<float>(x), static_cast<float>(y),
                              transFlag, 1);
    });
  }
  DrawImageOnSoftImg(GetCurrentDrawSoftImg(), &record->view, x, y, transFlag,
                     GetBlendGraphSoftImg());
  return 0;
}

int PutGraphStretched(int x1, int y1, int x2, int y2, int graph, int transFlag) {
  int result = 0;
  GraphRecord* record = GuardGraphCall(graph, &result);
  if (!record) return result;
  MaskedDrawScope mask(OrderedRect(x1, y1, x2, y2));
  if (record->original->hardwareImage) {
    return DrawByDevice(OrderedRect(x1, y1, x2, y2), [&] {
      return PutGraphStretchedByDevice(x1, y1, x2, y2, static_cast<float>(x1),
                                       static_cast<float>(y1), static_cast<float>(x2),
                                       static_cast<float>(y2), record, transFlag, 1);
    });
  }
  const IntRect rect = {x1, y1, x2, y2};
  DrawStretchedImageOnSoftImg(GetCurrentDrawSoftImg(), &record->view, &rect, transFlag,
                              GetBlendGraphSoftImg());
  return 0;
}

int PutGraphStretchedFloat(float x1, float y1, float x2, float y2, int graph, int transFlag) {
  if (HardwareOn()) {
    int result = 0;
    GraphRecord* record = GuardGraphCall(graph, &result);
    if (!record) return result;
    return PutGraphStretchedByDevice(TruncFloatToInt(x1), TruncFloatToInt(y1), TruncFloatToInt(x2),
                                     TruncFloatToInt(y2), x1, y1, x2, y2, record, transFlag, 0);
  }
  return PutGraphStretched(TruncFloatToInt(x1), TruncFloatToInt(y1), TruncFloatToInt(x2),
                           TruncFloatToInt(y2), graph, transFlag);
}

int PutGraphMirrored(int x, int y, int graph, int transFlag) {
  const GraphRecord* record = GetGraphRecord(graph);
  if (!record) return GetDrawState().drawAreaEmpty ? 0 : -1;
  return PutGraphStretched(x + record->width, y, x, y + record->height, graph, transFlag);
}

int PutGraphPart(int destX, int destY, int srcX, int srcY, int width, int height, int graph,
                 int transFlag, int mirrorFlag) {
  DrawStateRecord& state = GetDrawState();
  const IntRect saved = state.drawArea;
  IntRect narrowed = {destX, destY, destX + width, destY + height};
  ClipRectToBounds(&narrowed, &saved);
  StoreDrawArea(narrowed);
  int result = 0;
  if (mirrorFlag == 0) {
    result = PutGraph(destX - srcX, destY - srcY, graph, transFlag);
  } else if (const GraphRecord* record = GetGraphRecord(graph)) {
    result = PutGraphMirrored(destX + srcX + width - record->width, destY - srcY, graph,
                              transFlag);
  } else {
    result = -1;
  }
  StoreDrawArea(saved);
  return result;
}

int PutGraphPartStretchedFloat(float x1, float y1, float x2, float y2, int srcX, int srcY,
                               int width, int height, int graph, int transFlag) {
  const int part = CreateDerivedGraph(srcX, srcY, width, height, graph);
  if (part == -1) return 0;
  PutGraphStretchedFloat(x1, y1, x2, y2, part, transFlag);
  RemoveGraph(part, 0);
  return 0;
}

int PutGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                 int graph, int transFlag) {
  int result = 0;
  GraphRecord* record = GuardGraphCall(graph, &result);
  if (!record) return result;
  const int xs[4] = {TruncFloatToInt(x1), TruncFloatToInt(x2), TruncFloatToInt(x3),
                     TruncFloatToInt(x4)};
  const int ys[4] = {TruncFloatToInt(y1), TruncFloatToInt(y2), TruncFloatToInt(y3),
                     TruncFloatToInt(y4)};
  IntRect bounds = {xs[0], ys[0], xs[0], ys[0]};
  for (int i = 1; i < 4; ++i) {
    if (xs[i] < bounds.left) bounds.left = xs[i];
    if (xs[i] > bounds.right) bounds.right = xs[i];
    if (ys[i] < bounds.top) bounds.top = ys[i];
    if (ys[i] > bounds.bottom) bounds.bottom = ys[i];
  }
  MaskedDrawScope mask(bounds);
  if (record->original->hardwareImage) {
    // The public corners run clockwise; the device takes them row by row.
    return DrawByDevice(bounds, [&] {
      return PutGraphQuadFloatByDevice(x1, y1, x2, y2, x4, y4, x3, y3, record, transFlag);
    });
  }
  // Corners run clockwise from the source's top-left; the triangles take
  // them as top-left, top-right, bottom-left, bottom-right.
  const int w = record->width;
  const int h = record->height;
  const TriangleVertex topLeft = {TruncFloatToInt(x1), TruncFloatToInt(y1), 0, 0};
  const TriangleVertex topRight = {TruncFloatToInt(x2), TruncFloatToInt(y2), w, 0};
  const TriangleVertex bottomRight = {TruncFloatToInt(x3), TruncFloatToInt(y3), w, h};
  const TriangleVertex bottomLeft = {TruncFloatToInt(x4), TruncFloatToInt(y4), 0, h};
  const TriangleVertex first[3] = {topLeft, topRight, bottomLeft};
  const TriangleVertex second[3] = {topRight, bottomLeft, bottomRight};
  SOFTIMG* target = GetCurrentDrawSoftImg();
  DrawTriangleOnSoftImg(target, &record->view, first, transFlag, GetBlendGraphSoftImg(), 0);
  DrawTriangleOnSoftImg(target, &record->view, second, transFlag, GetBlendGraphSoftImg(), 0);
  return 0;
}

int PaintFilledBox(int x1, int y1, int x2, int y2, ColorCode color) {
  if (!GuardShapeCall()) return 0;
  const IntRect rect = {x1, y1, x2, y2};
  MaskedDrawScope mask(rect);
  if (HardwareOn()) {
    return DrawByDevice(rect, [&] { return PaintFilledBoxByDevice(x1, y1, x2, y2, color); });
  }
  FillRectOnSoftImg(GetCurrentDrawSoftImg(), &rect, color);
  return 0;
}

int PaintBoxOutline(int x1, int y1, int x2, int y2, ColorCode color) {
  if (!GuardShapeCall()) return 0;
  const IntRect rect = {x1, y1, x2, y2};
  MaskedDrawScope mask(rect);
  if (HardwareOn()) {
    return DrawByDevice(rect, [&] { return PaintBoxOutlineByDevice(x1, y1, x2, y2, color); });
  }
  // A line leaves out its end pixel, so every outline pixel is drawn once.
  const int param = GetDrawState().blendParam;
  const auto c = static_cast<int32_t>(color);
  const LineRecord lines[4] = {
      {x1, y1, x2 - 1, y1, c, param},
      {x2 - 1, y1, x2 - 1, y2 - 1, c, param},
      {x2 - 1, y2 - 1, x1, y2 - 1, c, param},
      {x1, y2 - 1, x1, y1, c, param},
  };
  DrawLinesOnSoftImg(GetCurrentDrawSoftImg(), lines, 4);
  return 0;
}

int PaintBox(int x1, int y1, int x2, int y2, ColorCode color, int fillFlag) {
  return fillFlag ? PaintFilledBox(x1, y1, x2, y2, color)
                  : PaintBoxOutline(x1, y1, x2, y2, color);
}

int PaintLine(int x1, int y1, int x2, int y2, ColorCode color, int thickness) {
  if (!GuardShapeCall()) return 0;
  IntRect rect = OrderedRect(x1, y1, x2, y2);
  rect.right += 1;
  rect.bottom += 1;
  if (thickness > 1) {
    // A thick line reaches half its thickness beyond the end points.
    const int reach = thickness / 2 + 1;
    rect = {rect.left - reach, rect.top - reach, rect.right + reach, rect.bottom + reach};
  }
  MaskedDrawScope mask(rect);
  if (thickness > 1) return PaintThickLine(color, x1, y1, x2, y2, thickness);
  if (HardwareOn()) {
    return DrawByDevice(rect, [&] { return PaintLineByDevice(x1, y1, x2, y2, color); });
  }
  DrawLineOnSoftImg(GetCurrentDrawSoftImg(), x1, y1, x2, y2, color);
  return 0;
}

int ClearDrawTarget(const IntRect* region) {
  if (region && (region->left < 0 || region->top < 0)) region = nullptr;
  if (HardwareOn()) {
    // The device draws into the mask's own texture while the mask is in
    // effect; a clear is for the target itself, as in software.
    const bool masked = GetMaskState().inEffect != 0;
    const int requested = QueryMaskScreenEnabled();
    if (masked) EnableMaskScreen(0);
    const int result = ClearDeviceDrawTarget(region);
    if (masked) EnableMaskScreen(requested);
    return result;
  }
  SOFTIMG* image = GetPrimaryScreenSoftImg();
  if (GraphRecord* target = GetGraphRecord(GetDrawTarget())) image = &target->view;
  FillSoftImgRaw(image, region, BackgroundColorValue(image));
  return 0;
}

int DrawVertexList(const void* vertices, int count, int primitiveType, int graph, int transFlag,
                   int remapFlag) {
  WaitWhileInactive();
  GraphRecord* record = GetGraphRecord(graph);
  if (record && record->movie != -1) UpdateMovieFrame(record->movie, 0);
  if (!HardwareOn()) return 0;
  if (!vertices || count <= 0) return -1;
  const DrawStateRecord& state = GetDrawState();
  const uint32_t bright = state.drawBright;
  const bool scaleColor = (bright & 0xFFFFFF) != 0xFFFFFF;
  const bool scaleAlpha = state.blendMode != 0 && state.blendParam < 255;
  const GraphDrawPiece* piece =
      remapFlag && record && record->drawPieceCount == 1 ? &record->drawPieces[0] : nullptr;
  auto* converted = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(count) * 28));
  if (!converted) return -1;
  const auto* in = static_cast<const ListVertex*>(vertices);
  const float rhw = 1.0f;
  for (int i = 0; i < count; ++i) {
    ListVertex v = in[i];
    if (scaleColor) {
      v.red = static_cast<uint8_t>(BlendScaleTable[(bright >> 16) & 0xFF][v.red]);
      v.green = static_cast<uint8_t>(BlendScaleTable[(bright >> 8) & 0xFF][v.green]);
      v.blue = static_cast<uint8_t>(BlendScaleTable[bright & 0xFF][v.blue]);
    }
    if (scaleAlpha) v.alpha = static_cast<uint8_t>(BlendScaleTable[state.blendParam][v.alpha]);
    if (piece) {
      // The graph's part of its texture.
      const float(*c)[4] = piece->corners;
      v.u = c[0][2] + v.u * (c[3][2] - c[0][2]);
      v.v = c[0][3] + v.v * (c[3][3] - c[0][3]);
    }
    const uint32_t color = static_cast<uint32_t>(v.alpha) << 24 |
                           static_cast<uint32_t>(v.red) << 16 |
                           static_cast<uint32_t>(v.green) << 8 | v.blue;
    uint8_t* out = converted + i * 28;
    memcpy(out, &v.x, 4);
    memcpy(out + 4, &v.y, 4);
    memcpy(out + 8, &state.drawDepth2D, 4);
    memcpy(out + 12, &rhw, 4);
    memcpy(out + 16, &color, 4);
    memcpy(out + 20, &v.u, 4);
    memcpy(out + 24, &v.v, 4);
  }
  const int result = PutVertexListByDevice(0, record, converted, count, primitiveType,
                                           transFlag ? 1 : 0, 0, 0);
  FreeTrackedMemory(converted);
  return result;
}
