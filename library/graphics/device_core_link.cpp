#include "graphics/device_core_link.h"

#include "direct3d9/core_inputs.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "graphics/graph_textures.h"
#include "graphics/screen_settings.h"
#include "system/log.h"
#include "graphics/camera_state.h"
#include "graphics/draw_state.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/light_table.h"
#include "graphics/screen_images.h"

namespace {

int DescribeTargetSoftImage(int drawTarget, GraphImage* view) {
  const SOFTIMG* image = GetPrimaryScreenSoftImg();
  if (drawTarget >= 0) {
    const GraphRecord* record = GetGraphRecord(drawTarget);
    if (!record) return -1;
    image = &record->view;
  }
  if (!IsSoftImgValid(image)) return -1;
  *view = GraphImage{};
  view->format = *image->body->format;
  view->width = image->width;
  view->height = image->height;
  view->pitch = image->body->pitch;
  view->pixels = image->pixels;
  return 0;
}

int GetTransColor(int* enabled) {
  const DrawStateRecord& state = GetDrawState();
  if (enabled) *enabled = state.noTransColor ? 0 : 1;
  return static_cast<int>(state.transColor);
}

void SetTransColor(int color, int enabled) {
  DrawStateRecord& state = GetDrawState();
  state.transColor = static_cast<uint32_t>(color) & 0x00FFFFFF;
  state.noTransColor = enabled ? 0 : 1;
}

int UpdateFromImage(const GraphImage* image, int graph) {
  GraphImage copy = *image;
  return UpdateGraphFromGraphImage(&copy, graph);
}

int UpdateFromFileImage(const void* bytes, int size, int graph) {
  return UpdateGraphFromFileImage(bytes, size, graph, nullptr, 0, 0, 0);
}

int UpdateFromPair(const GraphImage* image, const GraphImage* alpha, int graph) {
  GraphImage copy = *image;
  GraphImage alphaCopy = alpha ? *alpha : GraphImage{};
  return UpdateGraphFromGraphImagePair(&copy, alpha ? &alphaCopy : nullptr, graph, 0, 0, 0);
}

int CreateFromFileImage(const void* bytes, int size) {
  return CreateGraphFromFileImage(bytes, size, nullptr, 0, 0, 0);
}

int Remove(int graph) { return RemoveGraph(graph, 0); }

void ReleaseTextures() { ReleaseAllGraphTextures(); }
void CreateTextures() { CreateAllGraphTextures(); }

// The blend graph's texture, with its border settings and the reciprocal
// size that turns graph pixels into blend-texture coordinates.
void SendBlendGraph(const DrawStateRecord& state) {
  DeviceStateCache& cache = GetDeviceStateCache();
  void* texture = nullptr;
  if (const GraphRecord* record = GetGraphRecord(state.blendGraph)) {
    texture = GetGraphTexture(state.blendGraph);
    if (texture) {
      const GraphTexturePiece& piece = *record->drawPieces[0].texturePiece;
      cache.blendTextureWidth = static_cast<float>(piece.textureWidth);
      cache.blendTextureHeight = static_cast<float>(piece.textureHeight);
      cache.blendTextureInvWidth = 1.0f / piece.textureWidth;
      cache.blendTextureInvHeight = 1.0f / piece.textureHeight;
    } else {
      AppendLog("ブレンド画像のテクスチャがありません\n");
    }
  }
  SetDeviceBlendTexture(texture, state.blendBorderParam, state.blendBorderRange);
}

}  // namespace

void LinkDeviceCoreHooks() {
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  hooks.describeTargetSoftImage = DescribeTargetSoftImage;
  hooks.getGraphTransColor = GetTransColor;
  hooks.setGraphTransColor = SetTransColor;
  hooks.updateGraphFromGraphImage = UpdateFromImage;
  hooks.updateGraphFromFileImage = UpdateFromFileImage;
  hooks.updateGraphFromGraphImagePair = UpdateFromPair;
  hooks.createGraphFromFileImage = CreateFromFileImage;
  hooks.removeGraph = Remove;
  hooks.releaseAllGraphTextures = ReleaseTextures;
  hooks.createAllGraphTextures = CreateTextures;
  hooks.getGraphTexture = GetGraphTexture;
  hooks.getGraphSurface = GetGraphSurface;
  hooks.applyLightHandles = [] { ApplyLightHandles(); };
  hooks.updateCombinedMatrices = UpdateCombinedMatrices;
  hooks.setProjectionMatrix = [](const Matrix44* matrix) { SetProjectionMatrix(matrix); };
  hooks.setViewportMatrix = [](const Matrix44* matrix) { SetViewportMatrix(matrix); };
}

void SyncDeviceCoreDrawSettings() {
  const DrawStateRecord& state = GetDrawState();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  inputs.blendMode = state.blendMode;
  inputs.blendParam = state.blendParam;
  inputs.drawBright = state.drawBright;
  inputs.filterMode = state.filterMode;
  inputs.drawZ = state.drawDepth2D;
  inputs.alphaTestFunc = state.alphaTestOverride;
  for (int s = 0; s < kTextureStageCount; ++s) {
    inputs.addressU[s] = state.textureAddress[s][0];
    inputs.addressV[s] = state.textureAddress[s][1];
    inputs.addressW[s] = state.textureAddress[s][2];
  }
  // Batched vertices carry their colour, so a new colour needs no flush.
  GetDeviceStateCache().deviceColor = DeviceDrawColor();
  if (inputs.blendGraph != state.blendGraph || state.blendGraph != -1) {
    inputs.blendGraph = state.blendGraph;
    if (GetDeviceOps()) SendBlendGraph(state);
  }
}

void SyncDeviceCoreDrawTarget() {
  const DrawStateRecord& state = GetDrawState();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  inputs.drawTarget = state.drawTarget;
  inputs.targetWidth = state.targetWidth;
  inputs.targetHeight = state.targetHeight;
  inputs.drawArea = state.drawArea;
  for (int i = 0; i < 4; ++i) inputs.drawAreaF[i] = state.drawAreaFloat[i];
  // The viewport is the draw area: it clips every device draw.
  if (GetDeviceOps()) {
    const IntRect& area = state.drawArea;
    SetDeviceViewportRect(area.left, area.top, area.right, area.bottom);
  }
}

void SyncDeviceCoreCamera() {
  const TransformState& transform = GetTransformState();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  inputs.world = transform.world.matrix;
  inputs.view = transform.view.matrix;
  inputs.projection = transform.projection.matrix;
  inputs.viewportMatrix = transform.viewport.matrix;
  inputs.fogEnable = GetFogSettings().enable;
}

void SyncDeviceCoreLights() {
  LightTable& table = GetLightTable();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  inputs.lightingOff = table.lightingOff;
  inputs.lightsChanged = table.lightsChanged || table.force;
  inputs.material = table.material;
  // The device clears its copy once it has taken the material.
  if (table.materialChanged) {
    inputs.materialChanged = 1;
    table.materialChanged = 0;
  }
}
