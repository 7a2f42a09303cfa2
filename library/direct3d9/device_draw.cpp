#include "direct3d9/device_draw.h"

#include <string.h>

#include "direct3d9/blend_apply.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_prepare.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/primitive_draw.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "system/log.h"

namespace {

constexpr uint32_t kTexturedFvf = 0x144;
constexpr uint32_t kBlendTexturedFvf = 0x2C4;
constexpr int kTexturedStride = 28;
constexpr int kBlendTexturedStride = 40;

// A vertex before it is written: position, the drawn texture's coordinates
// and the blend texture's.
struct GraphVertex {
  float x, y, u, v, blendU, blendV;
};

// Writes one vertex of batch type 1 (x y z rhw diffuse u v) or 2 (x y z rhw
// diffuse specular, blend u v, u v). rhw and specular are the array's own
// unless every word is asked for (the directly drawn arrays).
uint8_t* WriteVertex(uint8_t* p, int type, const GraphVertex& v, const uint32_t* color,
                     bool allWords) {
  const float z = GetDeviceCoreInputs().drawZ;
  memcpy(p, &v.x, 4);
  memcpy(p + 4, &v.y, 4);
  memcpy(p + 8, &z, 4);
  if (allWords) {
    const float rhw = 1.0f;
    memcpy(p + 12, &rhw, 4);
  }
  if (color) memcpy(p + 16, color, 4);
  if (type == 1) {
    memcpy(p + 20, &v.u, 4);
    memcpy(p + 24, &v.v, 4);
    return p + kTexturedStride;
  }
  if (allWords) {
    const uint32_t white = 0xFFFFFFFF;
    memcpy(p + 20, &white, 4);
  }
  memcpy(p + 24, &v.blendU, 4);
  memcpy(p + 28, &v.blendV, 4);
  memcpy(p + 32, &v.u, 4);
  memcpy(p + 36, &v.v, 4);
  return p + kBlendTexturedStride;
}

// The rectangle order: V0 top-left, V1 top-right, V2 bottom-left, V3
// bottom-right, V4 = V2, V5 = V1; flat shading reads the colour of V0 and V3.
void WriteRectangle(uint8_t* p, int type, const GraphVertex v[4], uint32_t color) {
  p = WriteVertex(p, type, v[0], &color, false);
  p = WriteVertex(p, type, v[1], nullptr, false);
  p = WriteVertex(p, type, v[2], nullptr, false);
  p = WriteVertex(p, type, v[3], &color, false);
  p = WriteVertex(p, type, v[2], nullptr, false);
  WriteVertex(p, type, v[1], nullptr, false);
}

const uint8_t* ImageFlags(const GraphRecord* record) { return &record->original->hardwareImage; }

void* FirstTexture(const GraphRecord* record) {
  return record->drawPieceCount ? record->drawPieces[0].texturePiece->texture : nullptr;
}

// Brings the piece's texture onto the device and the blend state up to
// date; returns the batch type the vertices must have.
int UsePieceTexture(const GraphDrawPiece& piece) {
  DeviceStateCache& cache = GetDeviceStateCache();
  void* texture = piece.texturePiece->texture;
  if (texture != cache.drawTexture) SetDeviceTexture(texture);
  if (cache.blendDirty || cache.textureDirty) ApplyDeviceBlendState(nullptr, 1, 0);
  return cache.batch.type;
}

// Moves a vertex onto the edges of a clip box, shifting its texture
// coordinates by the same distance in texels (uPerPixel, vPerPixel) and its
// blend coordinates in blend texels.
void ClipVertex(GraphVertex* v, const float box[4], float uPerPixel, float vPerPixel) {
  const DeviceStateCache& cache = GetDeviceStateCache();
  if (v->x < box[0]) {
    const float d = box[0] - v->x;
    v->u += d * uPerPixel, v->blendU += d * cache.blendTextureInvWidth, v->x = box[0];
  } else if (v->x > box[2]) {
    const float d = v->x - box[2];
    v->u -= d * uPerPixel, v->blendU -= d * cache.blendTextureInvWidth, v->x = box[2];
  }
  if (v->y < box[1]) {
    const float d = box[1] - v->y;
    v->v += d * vPerPixel, v->blendV += d * cache.blendTextureInvHeight, v->y = box[1];
  } else if (v->y > box[3]) {
    const float d = v->y - box[3];
    v->v -= d * vPerPixel, v->blendV -= d * cache.blendTextureInvHeight, v->y = box[3];
  }
}

// The four corners of a piece drawn at (fx, fy) scaled by (sx, sy), with
// blend-texture coordinates from the unscaled piece corners.
void PieceRectangle(const GraphDrawPiece& piece, float fx, float fy, float sx, float sy,
                    GraphVertex v[4]) {
  const DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  const DeviceStateCache& cache = GetDeviceStateCache();
  const float(*c)[4] = piece.corners;
  const float left = c[0][0], right = c[1][0], top = c[0][1], bottom = c[2][1];
  const float uLeft = c[0][2], uRight = c[1][2], vTop = c[0][3], vBottom = c[2][3];
  const float bx = static_cast<float>(inputs.blendX), by = static_cast<float>(inputs.blendY);
  const float xs[2] = {left, right}, ys[2] = {top, bottom};
  const float us[2] = {uLeft, uRight}, vs[2] = {vTop, vBottom};
  for (int i = 0; i < 4; ++i) {
    const int col = i & 1, row = i >> 1;
    v[i].x = fx + xs[col] * sx;
    v[i].y = fy + ys[row] * sy;
    v[i].u = us[col];
    v[i].v = vs[row];
    v[i].blendU = (bx + xs[col]) * cache.blendTextureInvWidth;
    v[i].blendV = (by + ys[row]) * cache.blendTextureInvHeight;
  }
}

// The piece loop of the position and stretched draws.
void DrawPieces(GraphRecord* record, float fx, float fy, float sx, float sy, bool inside,
                const float clipBox[4]) {
  for (int i = 0; i < record->drawPieceCount; ++i) {
    const GraphDrawPiece& piece = record->drawPieces[i];
    const int type = UsePieceTexture(piece);
    if (type != 1 && type != 2) continue;
    GraphVertex v[4];
    PieceRectangle(piece, fx, fy, sx, sy, v);
    if (!inside) {
      const float uPerPixel = 1.0f / (piece.texturePiece->textureWidth * sx);
      const float vPerPixel = 1.0f / (piece.texturePiece->textureHeight * sy);
      for (GraphVertex& vertex : v) ClipVertex(&vertex, clipBox, uPerPixel, vPerPixel);
    }
    uint8_t* p = AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
    WriteRectangle(p, type, v, GetDeviceStateCache().deviceColor);
    CommitBatchVertices(6);
  }
}

bool PrepareGraph(GraphRecord* record, int flags) {
  if (!GetDeviceOps()) return false;
  // The textures take the image's latest pixels before the first vertex;
  // a graph without them would draw as a plain box.
  if (record->drawPieceCount > 0 &&
      (!FirstTexture(record) || RefreshGraphTextures(record->original) != 0)) {
    AppendLog("グラフィックのテクスチャを用意できないため描画できません\n");
    return false;
  }
  BeginDeviceScene();
  PrepareDeviceDraw(ImageFlags(record), FirstTexture(record), flags);
  return true;
}

float Cross(float ax, float ay, float bx, float by) { return ax * by - ay * bx; }

}  // namespace

int PutGraphByDevice(GraphRecord* record, int x, int y, float xf, float yf, int transFlag,
                     int flag) {
  if (!PrepareGraph(record, (transFlag ? 1 : 0) | (flag ? 2 : 0))) return -1;
  const DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  const IntRect& area = inputs.drawArea;
  const bool inside = x >= area.left && y >= area.top && x + record->width <= area.right &&
                      y + record->height <= area.bottom;
  DrawPieces(record, xf - 0.5f, yf - 0.5f, 1.0f, 1.0f, inside, inputs.drawAreaF);
  return 0;
}

int PutGraphStretchedByDevice(int x1, int y1, int x2, int y2, float x1f, float y1f, float x2f,
                              float y2f, GraphRecord* record, int transFlag, int integerCorners) {
  if (!GetDeviceOps() || x1 == x2 || y1 == y2) return -1;
  const DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  const int keep = integerCorners && inputs.filterMode != 1 ? 2 : 0;
  if (!PrepareGraph(record, (transFlag ? 1 : 0) | keep)) return -1;
  const float sx = (x2f - x1f) / record->width;
  const float sy = (y2f - y1f) / record->height;
  const IntRect& area = inputs.drawArea;
  const int minX = x1 < x2 ? x1 : x2, maxX = x1 < x2 ? x2 : x1;
  const int minY = y1 < y2 ? y1 : y2, maxY = y1 < y2 ? y2 : y1;
  const bool inside =
      minX >= area.left && minY >= area.top && maxX <= area.right && maxY <= area.bottom;
  const float clipBox[4] = {inputs.drawAreaF[0] - 0.5f, inputs.drawAreaF[1] - 0.5f,
                            inputs.drawAreaF[2] - 0.5f, inputs.drawAreaF[3] - 0.5f};
  DrawPieces(record, x1f - 0.5f, y1f - 0.5f, sx, sy, inside, clipBox);
  return 0;
}

int PutGraphQuadByDevice(GraphRecord* record, int x1, int y1, int x2, int y2, int x3, int y3,
                         int x4, int y4, int transFlag) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  if (x1 == x3 && x2 == x4 && y1 == y2 && y3 == y4) {
    return PutGraphStretchedByDevice(x1, y1, x4, y4, static_cast<float>(x1),
                                     static_cast<float>(y1), static_cast<float>(x4),
                                     static_cast<float>(y4), record, transFlag, 1);
  }
  const DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  if (inputs.blendGraph == -1) {
    return PutGraphQuadFloatByDevice(
        static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
        static_cast<float>(y2), static_cast<float>(x3), static_cast<float>(y3),
        static_cast<float>(x4), static_cast<float>(y4), record, transFlag);
  }
  FlushVertexBatch();
  if (!PrepareGraph(record, (transFlag ? 1 : 0) | 2)) return -1;
  DeviceStateCache& cache = GetDeviceStateCache();
  const float w = static_cast<float>(record->width), h = static_cast<float>(record->height);
  const float px[4] = {static_cast<float>(x1), static_cast<float>(x2), static_cast<float>(x3),
                       static_cast<float>(x4)};
  const float py[4] = {static_cast<float>(y1), static_cast<float>(y2), static_cast<float>(y3),
                       static_cast<float>(y4)};
  for (int i = 0; i < record->drawPieceCount; ++i) {
    const GraphDrawPiece& piece = record->drawPieces[i];
    const int type = UsePieceTexture(piece);
    if (type != 1 && type != 2) continue;
    GraphVertex v[4];
    for (int k = 0; k < 4; ++k) {
      const float cx = piece.corners[k][0], cy = piece.corners[k][1];
      float x, y;
      if (piece.cornerFlags[k]) {
        x = px[0] + cx / w * (px[1] - px[0]) + cy / h * (px[2] - px[0]);
        y = py[0] + cx / w * (py[1] - py[0]) + cy / h * (py[2] - py[0]);
      } else {
        x = px[3] + (w - cx) / w * (px[2] - px[3]) + (h - cy) / h * (px[1] - px[3]);
        y = py[3] + (w - cx) / w * (py[2] - py[3]) + (h - cy) / h * (py[1] - py[3]);
      }
      v[k] = {x - 0.5f, y - 0.5f, piece.corners[k][2], piece.corners[k][3],
              (inputs.blendX + cx) * cache.blendTextureInvWidth,
              (inputs.blendY + cy) * cache.blendTextureInvHeight};
    }
    const float a1 = Cross(v[1].x - v[0].x, v[1].y - v[0].y, v[2].x - v[0].x, v[2].y - v[0].y);
    const float a2 = Cross(v[2].x - v[3].x, v[2].y - v[3].y, v[1].x - v[3].x, v[1].y - v[3].y);
    if ((a1 <= 0 && a2 <= 0) || (a1 * a2 < 0 && a1 < 0)) {
      const GraphVertex t = v[1];
      v[1] = v[2];
      v[2] = t;
    }
    const uint32_t fvf = type == 1 ? kTexturedFvf : kBlendTexturedFvf;
    const int stride = type == 1 ? kTexturedStride : kBlendTexturedStride;
    if (cache.fvf != fvf) {
      ops->SetFVF(fvf);
      cache.fvf = fvf;
    }
    uint8_t strip[4 * kBlendTexturedStride];
    uint8_t* p = strip;
    for (const GraphVertex& vertex : v) p = WriteVertex(p, type, vertex, &cache.deviceColor, true);
    if (!cache.suppressDraw) ops->DrawPrimitiveUP(D_D3DPT_TRIANGLESTRIP, 2, strip, stride);
  }
  return 0;
}

int PutGraphQuadFloatByDevice(float x1, float y1, float x2, float y2, float x3, float y3,
                              float x4, float y4, GraphRecord* record, int transFlag) {
  if (!GetDeviceOps()) return -1;
  if (GetDeviceCoreInputs().blendGraph != -1) {
    return PutGraphQuadByDevice(record, static_cast<int>(x1), static_cast<int>(y1),
                                static_cast<int>(x2), static_cast<int>(y2), static_cast<int>(x3),
                                static_cast<int>(y3), static_cast<int>(x4), static_cast<int>(y4),
                                transFlag);
  }
  if (!PrepareGraph(record, (transFlag ? 1 : 0) | 2)) return -1;
  // Pixel centres sit half a pixel inside the corners, as in the position
  // and stretched draws; without the shift they would sample exactly on
  // texel edges and drop or double texels.
  const float q[4][2] = {
      {x1 - 0.5f, y1 - 0.5f}, {x2 - 0.5f, y2 - 0.5f}, {x3 - 0.5f, y3 - 0.5f}, {x4 - 0.5f, y4 - 0.5f}};
  if (record->drawPieceCount == 1) {
    return PutGraphQuadPieceByDevice(q, &record->drawPieces[0]);
  }
  const double w = record->width, h = record->height;
  for (int i = 0; i < record->drawPieceCount; ++i) {
    const GraphDrawPiece& piece = record->drawPieces[i];
    float mapped[4][2];
    for (int k = 0; k < 4; ++k) {
      const double s = piece.corners[k][0] / w, t = piece.corners[k][1] / h;
      for (int axis = 0; axis < 2; ++axis) {
        const double l = q[0][axis] + t * (q[2][axis] - q[0][axis]);
        const double r = q[1][axis] + t * (q[3][axis] - q[1][axis]);
        mapped[k][axis] = static_cast<float>(l + s * (r - l));
      }
    }
    PutGraphQuadPieceByDevice(mapped, &piece);
  }
  return 0;
}

int PutGraphQuadPieceByDevice(const float q[4][2], const GraphDrawPiece* piece) {
  if (!GetDeviceOps()) return -1;
  DeviceStateCache& cache = GetDeviceStateCache();
  void* texture = piece->texturePiece->texture;
  if (texture != cache.drawTexture) {
    SetDeviceTexture(texture);
    ApplyDeviceBlendState(nullptr, 1, 0);
  }
  auto near = [](float a, float b) { return a - b < 1.0f && b - a < 1.0f; };
  const bool topEqualsBottom = near(q[1][0] - q[0][0], q[3][0] - q[2][0]) &&
                               near(q[1][1] - q[0][1], q[3][1] - q[2][1]);
  const bool leftEqualsRight = near(q[2][0] - q[0][0], q[3][0] - q[1][0]) &&
                               near(q[2][1] - q[0][1], q[3][1] - q[1][1]);
  const float(*c)[4] = piece->corners;
  const uint32_t color = cache.deviceColor;
  if (topEqualsBottom && leftEqualsRight) {
    if (cache.blendDirty || cache.textureDirty) ApplyDeviceBlendState(nullptr, 1, 0);
    GraphVertex v[6] = {
        {q[0][0], q[0][1], c[0][2], c[0][3], 0, 0}, {q[1][0], q[1][1], c[1][2], c[0][3], 0, 0},
        {q[2][0], q[2][1], c[0][2], c[2][3], 0, 0}, {q[3][0], q[3][1], c[1][2], c[2][3], 0, 0},
        {q[2][0], q[2][1], c[0][2], c[2][3], 0, 0}, {q[1][0], q[1][1], c[1][2], c[0][3], 0, 0},
    };
    const float a1 = Cross(q[1][0] - q[0][0], q[1][1] - q[0][1], q[2][0] - q[0][0],
                           q[2][1] - q[0][1]);
    const float a2 = Cross(q[2][0] - q[3][0], q[2][1] - q[3][1], q[1][0] - q[3][0],
                           q[1][1] - q[3][1]);
    if (a1 <= 0 && a2 <= 0) {
      GraphVertex t = v[1];
      v[1] = v[2], v[2] = t;
      t = v[4];
      v[4] = v[5], v[5] = t;
    }
    if (cache.batch.type != 1) return 0;
    uint8_t* p = AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
    for (int i = 0; i < 6; ++i) {
      p = WriteVertex(p, 1, v[i], (i == 0 || i == 3) ? &color : nullptr, false);
    }
    CommitBatchVertices(6);
    return 0;
  }
  // A general quad: an 8 x 8 grid interpolates the image smoothly across it.
  static uint8_t grid[64 * kTexturedStride];
  const float width = c[3][0] - c[0][0], height = c[3][1] - c[0][1];
  const float uPerPixel = width != 0 ? (c[3][2] - c[0][2]) / width : 0;
  const float vPerPixel = height != 0 ? (c[3][3] - c[0][3]) / height : 0;
  const float uStart = c[0][2] + (c[0][2] > 0.000001f ? 0.001f * uPerPixel : 0);
  const float uEnd = c[3][2] - (c[3][2] <= 0.99999f ? 0.001f * uPerPixel : 0);
  const float vStart = c[0][3] + (c[0][3] > 0.000001f ? 0.001f * vPerPixel : 0);
  const float vEnd = c[3][3] - (c[3][3] <= 0.99999f ? 0.001f * vPerPixel : 0);
  const float uStep = (uEnd - uStart) / 7, vStep = (vEnd - vStart) / 7;
  uint8_t* p = grid;
  for (int r = 0; r < 8; ++r) {
    const float t = r / 7.0f;
    const float lx = q[0][0] + t * (q[2][0] - q[0][0]), ly = q[0][1] + t * (q[2][1] - q[0][1]);
    const float rx = q[1][0] + t * (q[3][0] - q[1][0]), ry = q[1][1] + t * (q[3][1] - q[1][1]);
    for (int k = 0; k < 8; ++k) {
      const float s = k / 7.0f;
      const GraphVertex vertex = {lx + s * (rx - lx), ly + s * (ry - ly), uStart + k * uStep,
                                  vStart + r * vStep, 0, 0};
      p = WriteVertex(p, 1, vertex, &color, true);
    }
  }
  if (cache.blendDirty || cache.textureDirty) ApplyDeviceBlendState(nullptr, 1, 0);
  if (cache.suppressDraw) return 0;
  return DrawIndexedGridByDevice(8, grid, 8) == 0 ? 0 : -1;
}
