#include "direct3d9/vertex_batch.h"

#include <string.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"

const BatchVertexFormat kBatchVertexFormats[2][3] = {
    {{3225, 0x44, 20}, {2340, 0x144, 28}, {1638, 0x2C4, 40}},
    {{4096, 0x42, 16}, {2730, 0x142, 24}, {0, 0, 0}},
};

namespace {

// Each kind-0 array holds exactly its capacity; the two 3D types share one.
alignas(16) uint8_t untexturedArray[3225 * 20];
alignas(16) uint8_t texturedArray[2340 * 28];
alignas(16) uint8_t blendTexturedArray[1638 * 40];
alignas(16) uint8_t sceneArray[65536];

constexpr int kZOffset = 8;
constexpr int kRhwOffset = 12;
constexpr int kSpecularOffset = 24;

void DrawPending(VertexBatch& batch) {
  DeviceOps* ops = GetDeviceOps();
  DeviceStateCache& cache = GetDeviceStateCache();
  const BatchVertexFormat& format = kBatchVertexFormats[batch.kind][batch.type];
  if (format.fvf != cache.fvf) {
    ops->SetFVF(format.fvf);
    cache.fvf = format.fvf;
  }
  int primitives = CountPrimitives(batch.primitiveType, batch.count);
  const void* vertices = batch.buffers[batch.kind][batch.type];
  if (batch.kind == 1) {
    Matrix44 identity;
    MakeIdentityMatrix(&identity);
    SetDeviceWorldTransform(&identity);
    ops->DrawPrimitiveUP(batch.primitiveType, primitives, vertices, format.stride);
    SetDeviceWorldTransform(&GetDeviceCoreInputs().world);
  } else {
    ops->DrawPrimitiveUP(batch.primitiveType, primitives, vertices, format.stride);
  }
}

void EmptyBatch(VertexBatch& batch) {
  batch.count = 0;
  batch.writePointer = batch.buffers[batch.kind][batch.type];
}

}  // namespace

int CountPrimitives(int primitiveType, int vertexCount) {
  switch (primitiveType) {
    case D_D3DPT_POINTLIST:
      return vertexCount;
    case D_D3DPT_LINELIST:
      return vertexCount / 2;
    case D_D3DPT_LINESTRIP:
      return vertexCount - 1;
    case D_D3DPT_TRIANGLELIST:
      return vertexCount / 3;
    case D_D3DPT_TRIANGLESTRIP:
    case D_D3DPT_TRIANGLEFAN:
      return vertexCount - 2;
    default:
      return 0;
  }
}

int FlushVertexBatch() {
  if (!GetDeviceOps()) return -1;
  VertexBatch& batch = GetDeviceStateCache().batch;
  // Vertices pending when the program ends are dropped, not drawn.
  if (batch.count != 0 && !IsEndRequested()) {
    if (!GetDirect3DState().inScene) BeginDeviceScene();
    if (!GetDeviceStateCache().suppressDraw) DrawPending(batch);
  }
  EmptyBatch(batch);
  return 0;
}

void BeginDeviceScene() {
  Direct3DState& state = GetDirect3DState();
  DeviceOps* ops = GetDeviceOps();
  if (!ops || state.inScene) return;
  ops->BeginScene();
  state.inScene = 1;
  state.lastDrawImageFlags = nullptr;
  state.lastDrawTexture = nullptr;
  state.lastDrawFlags = 0;
}

int EndDeviceScene() {
  Direct3DState& state = GetDirect3DState();
  DeviceOps* ops = GetDeviceOps();
  if (!ops || !state.inScene) return -1;
  ops->EndScene();
  state.inScene = 0;
  return 0;
}

void InitializeVertexBatch() {
  VertexBatch& batch = GetDeviceStateCache().batch;
  memset(&batch, 0, sizeof batch);
  batch.buffers[0][0] = untexturedArray;
  batch.buffers[0][1] = texturedArray;
  batch.buffers[0][2] = blendTexturedArray;
  batch.buffers[1][0] = sceneArray;
  batch.buffers[1][1] = sceneArray;
  batch.buffers[1][2] = nullptr;
  const float z = 0.0f, rhw = 1.0f;
  const uint32_t white = 0xFFFFFFFF;
  for (int type = 0; type < 3; ++type) {
    const BatchVertexFormat& format = kBatchVertexFormats[0][type];
    for (int i = 0; i < format.capacity; ++i) {
      uint8_t* vertex = batch.buffers[0][type] + i * format.stride;
      memcpy(vertex + kZOffset, &z, 4);
      memcpy(vertex + kRhwOffset, &rhw, 4);
      if (type == 2) memcpy(vertex + kSpecularOffset, &white, 4);
    }
  }
  batch.type = 1;
  batch.writePointer = batch.buffers[0][1];
}

uint8_t* AppendBatchVertices(int primitiveType, int count) {
  VertexBatch& batch = GetDeviceStateCache().batch;
  bool fits = batch.kind == 0 && batch.primitiveType == primitiveType &&
              batch.count + count < kBatchVertexFormats[batch.kind][batch.type].capacity;
  if (!fits) {
    // The back ends have opened the scene; this draw skips the end and
    // suppression tests of a flush.
    if (batch.count != 0 && GetDeviceOps()) DrawPending(batch);
    batch.count = 0;
    batch.writePointer = batch.buffers[0][batch.type];
  }
  batch.kind = 0;
  batch.primitiveType = primitiveType;
  return batch.writePointer;
}

void CommitBatchVertices(int count) {
  VertexBatch& batch = GetDeviceStateCache().batch;
  batch.writePointer += count * kBatchVertexFormats[batch.kind][batch.type].stride;
  batch.count += count;
}
