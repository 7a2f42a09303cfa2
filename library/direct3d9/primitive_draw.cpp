#include "direct3d9/primitive_draw.h"

#include <string.h>

#include "direct3d9/blend_apply.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_prepare.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"

namespace {

constexpr int kUntexturedStride = 20;

void ClearDrawTexture(bool alsoWhenForced) {
  DeviceStateCache& cache = GetDeviceStateCache();
  if (!cache.drawTexture && !(alsoWhenForced && cache.forceResend)) return;
  FlushVertexBatch();
  cache.textureDirty = 1;
  if (cache.drawTexture) cache.blendDirty = 1;
  cache.drawTexture = nullptr;
}

void ApplyBlendWhenDirty() {
  DeviceStateCache& cache = GetDeviceStateCache();
  if (cache.blendDirty || cache.textureDirty) ApplyDeviceBlendState(nullptr, 1, 0);
}

// Writes x, y, the draw Z and, when given, the colour; rhw is the array's.
uint8_t* PutVertex(uint8_t* vertex, float x, float y, const uint32_t* color) {
  float z = GetDeviceCoreInputs().drawZ;
  memcpy(vertex, &x, 4);
  memcpy(vertex + 4, &y, 4);
  memcpy(vertex + 8, &z, 4);
  if (color) memcpy(vertex + 16, color, 4);
  return vertex + kUntexturedStride;
}

// Two triangles in the batch's rectangle order; flat shading takes each
// triangle's colour from its first vertex, so only V0 and V3 need it unless
// every vertex is asked for.
uint8_t* PutRectangle(uint8_t* v, float left, float top, float right, float bottom,
                      uint32_t color, bool colorOnAll) {
  const uint32_t* all = colorOnAll ? &color : nullptr;
  v = PutVertex(v, left, top, &color);
  v = PutVertex(v, right, top, all);
  v = PutVertex(v, left, bottom, all);
  v = PutVertex(v, right, bottom, &color);
  v = PutVertex(v, left, bottom, all);
  return PutVertex(v, right, top, all);
}

void Order(int* a, int* b) {
  if (*a > *b) {
    int t = *a;
    *a = *b;
    *b = t;
  }
}

uint32_t PreparePrimitive() {
  BeginDeviceScene();
  PrepareDeviceDraw(nullptr, nullptr, kDrawColorModulate);
  return GetDeviceStateCache().deviceColor;
}

}  // namespace

uint32_t ComputePrimitiveColor(ColorCode color, uint32_t deviceColor) {
  int r = 0, g = 0, b = 0;
  SplitColorCode(color, &r, &g, &b);
  uint32_t red = r * ((deviceColor >> 16) & 0xFF) / 255;
  uint32_t green = g * ((deviceColor >> 8) & 0xFF) / 255;
  uint32_t blue = b * (deviceColor & 0xFF) / 255;
  return (deviceColor & 0xFF000000u) | red << 16 | green << 8 | blue;
}

int PaintFilledBoxByDevice(int x1, int y1, int x2, int y2, ColorCode color) {
  if (!GetDeviceOps()) return -1;
  Order(&x1, &x2);
  Order(&y1, &y2);
  IntRect box = {x1, y1, x2, y2};
  ClipRectToBounds(&box, &GetDeviceCoreInputs().drawArea);
  if (box.left == box.right || box.top == box.bottom) return 0;
  BeginDeviceScene();
  ClearDrawTexture(true);
  PrepareDeviceDraw(nullptr, nullptr, kDrawColorModulate);
  uint32_t vertexColor = ComputePrimitiveColor(color, GetDeviceStateCache().deviceColor);
  ApplyBlendWhenDirty();
  uint8_t* v = AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
  PutRectangle(v, static_cast<float>(box.left), static_cast<float>(box.top),
               static_cast<float>(box.right), static_cast<float>(box.bottom), vertexColor, false);
  CommitBatchVertices(6);
  return 0;
}

int PaintBoxOutlineByDevice(int x1, int y1, int x2, int y2, ColorCode color) {
  if (!GetDeviceOps()) return -1;
  BeginDeviceScene();
  ClearDrawTexture(false);
  uint32_t vertexColor = ComputePrimitiveColor(color, PreparePrimitive());
  Order(&x1, &x2);
  Order(&y1, &y2);
  ApplyBlendWhenDirty();
  float fx1 = static_cast<float>(x1), fy1 = static_cast<float>(y1);
  float fx2 = static_cast<float>(x2), fy2 = static_cast<float>(y2);
  // The four sides share no pixel, so a blended outline is even.
  uint8_t* v = AppendBatchVertices(D_D3DPT_TRIANGLELIST, 24);
  v = PutRectangle(v, fx1, fy1, fx2, fy1 + 1, vertexColor, true);
  v = PutRectangle(v, fx2 - 1, fy1 + 1, fx2, fy2, vertexColor, true);
  v = PutRectangle(v, fx1, fy1 + 1, fx1 + 1, fy2, vertexColor, true);
  PutRectangle(v, fx1 + 1, fy2 - 1, fx2 - 1, fy2, vertexColor, true);
  CommitBatchVertices(24);
  return 0;
}

int PaintLineByDevice(int x1, int y1, int x2, int y2, ColorCode color) {
  if (!GetDeviceOps()) return -1;
  if (x1 == x2 && y1 == y2) return 0;
  BeginDeviceScene();
  ClearDrawTexture(false);
  uint32_t vertexColor = ComputePrimitiveColor(color, PreparePrimitive());
  ApplyBlendWhenDirty();
  float endX = static_cast<float>(x2), endY = static_cast<float>(y2);
  // Pulling the end in by a tenth leaves the last pixel undrawn, as the
  // software lines do.
  if (x1 == x2) endY += y1 < y2 ? -0.1f : 0.1f;
  if (y1 == y2) endX += x1 < x2 ? -0.1f : 0.1f;
  uint8_t* v = AppendBatchVertices(D_D3DPT_LINELIST, 2);
  v = PutVertex(v, static_cast<float>(x1), static_cast<float>(y1), &vertexColor);
  PutVertex(v, endX, endY, &vertexColor);
  CommitBatchVertices(2);
  return 0;
}

int DrawIndexedGridByDevice(int cols, const void* vertices, int rows) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  // Indices are 16 bits wide, and one row pair must fit one draw.
  if (cols < 2 || rows < 2 || cols > 499 || cols * rows > 65536) return -1;
  FlushVertexBatch();
  DeviceStateCache& cache = GetDeviceStateCache();
  constexpr uint32_t kFvf = 0x144;
  uint16_t indices[1000];
  int n = 0;
  auto draw = [&]() {
    if (n < 3) return;
    if (cache.fvf != kFvf) {
      ops->SetFVF(kFvf);
      cache.fvf = kFvf;
    }
    ops->DrawIndexedPrimitiveUP(D_D3DPT_TRIANGLESTRIP, 0, cols * rows, n - 2, indices, vertices,
                                28);
  };
  for (int r = 0; r + 1 < rows; ++r) {
    if (n + 2 * cols + 2 > 1000) {
      draw();
      n = 0;
    } else if (n > 0) {
      indices[n++] = static_cast<uint16_t>((r + 1) * cols);
    }
    for (int k = 0; k < cols; ++k) {
      indices[n++] = static_cast<uint16_t>((r + 1) * cols + k);
      indices[n++] = static_cast<uint16_t>(r * cols + k);
    }
    if (r + 2 < rows) {
      indices[n] = indices[n - 1];
      ++n;
    }
  }
  draw();
  return 0;
}

int PutVertexListByDevice(int flag3D, GraphRecord* record, void* vertices, int count,
                          int primitiveType, int extraFlags, int vertexForm, int mirror) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  FlushVertexBatch();
  BeginDeviceScene();
  DeviceStateCache& cache = GetDeviceStateCache();
  if (cache.blendTexture || cache.forceResend) {
    FlushVertexBatch();
    cache.blendTexture = nullptr;
    cache.blendDirty = 1;
  }
  void* texture = nullptr;
  const uint8_t* imageFlags = nullptr;
  const GraphDrawPiece* first = nullptr;
  if (record && record->original) {
    RefreshGraphTextures(record->original);
    if (record->drawPieceCount > 0) {
      first = &record->drawPieces[0];
      texture = first->texturePiece->texture;
    }
    imageFlags = &record->original->hardwareImage;
    SetDeviceTexture(texture);
  } else if (cache.drawTexture) {
    SetDeviceTexture(nullptr);
  }
  int flags = extraFlags | (flag3D ? kDrawFog | kDraw3DDepth : 0);
  flags |= vertexForm == 1 ? kDrawAddressModes
                           : kDrawAddressModes | kDrawGouraud | kDrawColorModulate |
                                 kDrawAlphaModulate;
  PrepareDeviceDraw(imageFlags, texture, flags);
  if (vertexForm == 1 && first) {
    float left = first->corners[0][2], right = first->corners[3][2];
    const float top = first->corners[0][3], bottom = first->corners[3][3];
    if (mirror) {
      const float t = left;
      left = right, right = t;
    }
    // The rectangle order: top-left, top-right, bottom-left, bottom-right,
    // bottom-left, top-right.
    const float us[6] = {left, right, left, right, left, right};
    const float vs[6] = {top, top, bottom, bottom, bottom, top};
    auto* bytes = static_cast<uint8_t*>(vertices);
    for (int group = 0; group < count / 6; ++group) {
      for (int i = 0; i < 6; ++i) {
        uint8_t* vertex = bytes + (group * 6 + i) * 28;
        memcpy(vertex + 20, &us[i], 4);
        memcpy(vertex + 24, &vs[i], 4);
      }
    }
  }
  constexpr uint32_t kFvf = 0x144;
  if (cache.fvf != kFvf) {
    ops->SetFVF(kFvf);
    cache.fvf = kFvf;
  }
  const int primitives = CountPrimitives(primitiveType, count);
  if (primitives > 0 && !cache.suppressDraw)
    ops->DrawPrimitiveUP(primitiveType, primitives, vertices, 28);
  return 0;
}
