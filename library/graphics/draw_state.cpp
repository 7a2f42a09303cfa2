#include "graphics/draw_state.h"

#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "graphics/camera_state.h"
#include "graphics/device_core_link.h"
#include "graphics/draw_target.h"
#include "graphics/graph_handles.h"
#include "graphics/light_table.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_settings.h"
#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"
#include "system/message_pump.h"
#include "system/system_state.h"

namespace {

constexpr uint32_t kBrightWhite = 0x00FFFFFF;
constexpr int kTextureAddressClamp = 3;
constexpr float kDefaultDrawDepth2D = 0.2f;

DrawStateRecord drawState = {};

int Clamp255(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

}  // namespace

void StoreDrawArea(const IntRect& area) {
  drawState.drawArea = area;
  drawState.drawAreaFloat[0] = static_cast<float>(area.left);
  drawState.drawAreaFloat[1] = static_cast<float>(area.top);
  drawState.drawAreaFloat[2] = static_cast<float>(area.right);
  drawState.drawAreaFloat[3] = static_cast<float>(area.bottom);
  GetSoftDrawSettings().drawArea = area;
  SyncDeviceCoreDrawTarget();
}

DrawStateRecord& GetDrawState() { return drawState; }

int InitializeDrawState() {
  // The restore handler lives with the graphics start-up, and the light
  // table is not part of this block: both outlive the reset.
  const DrawStateRecord kept = drawState;
  drawState = DrawStateRecord{};
  drawState.noVSyncWait = kept.noVSyncWait;
  drawState.initialPresentInterval = kept.initialPresentInterval;
  drawState.emulation320x240Request = kept.emulation320x240Request;
  // The camera takes its defaults before the first target is selected, so
  // that the 2D camera built there has an aspect scale and a field of view.
  ResetCameraAndFog();
  ResetMaskFlags();

  drawState.blendGraph = -1;
  for (auto& stage : drawState.textureAddress) {
    for (int32_t& mode : stage) mode = kTextureAddressClamp;
  }
  drawState.drawDepth2D = kDefaultDrawDepth2D;
  drawState.deviceWord = 1;
  drawState.createAlphaTest = 1;
  drawState.alphaTestOverride = -1;
  SoftDrawSettings& soft = GetSoftDrawSettings();
  soft.blendMode = 0;
  soft.blendParam = 0;
  soft.mmxFlag = 0;
  SetBlendGraphSoftImg(nullptr);
  // The stored bright starts at 0, so this always takes effect.
  SetBrightRGB(255, 255, 255);

  drawState.drawTarget = kDrawTargetBackScreen;
  SelectDrawTarget(kDrawTargetFrontScreen);
  SetDrawClipRect(0, 0, drawState.targetWidth, drawState.targetHeight);
  SyncDeviceCoreDrawSettings();
  ResetLightingDefaults();
  return 0;
}

int SetBlendModeAndParam(int mode, int param) {
  if (mode == drawState.blendMode && param == drawState.blendParam) return 0;
  WaitWhileInactive();
  drawState.blendMode = mode;
  drawState.blendParam = Clamp255(param);
  GetSoftDrawSettings().blendMode = drawState.blendMode;
  GetSoftDrawSettings().blendParam = drawState.blendParam;
  SyncDeviceCoreDrawSettings();
  return 0;
}

int SetBrightRGB(int red, int green, int blue) {
  const uint32_t bright = drawState.drawBright;
  if (red == static_cast<int>((bright >> 16) & 0xFF) &&
      green == static_cast<int>((bright >> 8) & 0xFF) && blue == static_cast<int>(bright & 0xFF)) {
    return 0;
  }
  drawState.drawBright = static_cast<uint32_t>(Clamp255(red)) << 16 |
                         static_cast<uint32_t>(Clamp255(green)) << 8 |
                         static_cast<uint32_t>(Clamp255(blue));
  GetSoftDrawSettings().drawBright = drawState.drawBright;
  SyncDeviceCoreDrawSettings();
  return 0;
}

void SetDrawBrightPacked(int value) {
  const uint32_t bright = static_cast<uint32_t>(value) & kBrightWhite;
  if (bright == drawState.drawBright) return;
  drawState.drawBright = bright;
  GetSoftDrawSettings().drawBright = bright;
  SyncDeviceCoreDrawSettings();
}

uint32_t DeviceDrawColor() {
  const uint32_t alpha =
      drawState.blendMode == 0 ? 255 : static_cast<uint32_t>(drawState.blendParam);
  return alpha << 24 | (drawState.drawBright & kBrightWhite);
}

int SetBlendGraph(int graph, int borderParam, int borderRange) {
  if (graph == drawState.blendGraph && borderParam == drawState.blendBorderParam &&
      borderRange == drawState.blendBorderRange) {
    return 0;
  }
  const GraphRecord* record = nullptr;
  if (graph != -1) {
    record = GetGraphRecord(graph);
    if (!record) return -1;
  }
  WaitWhileInactive();
  drawState.blendGraph = graph;
  drawState.blendBorderParam = Clamp255(borderParam);
  drawState.blendBorderRange = Clamp255(borderRange);
  SetBlendGraphSoftImg(record ? &record->original->image : nullptr);
  MakeBlendGraphWeightTable(drawState.blendBorderParam, drawState.blendBorderRange);
  SyncDeviceCoreDrawSettings();
  return 0;
}

void DropBlendGraph() {
  drawState.blendGraph = -1;
  SetBlendGraphSoftImg(nullptr);
}

int CheckBlendGraphCovers(const GraphRecord* record) {
  if (drawState.blendGraph == -1) return 0;
  const GraphRecord* blend = GetGraphRecord(drawState.blendGraph);
  if (!blend) return -1;
  return blend->width >= record->width && blend->height >= record->height ? 0 : -1;
}

int SetDrawFilterMode(int mode) {
  drawState.filterMode = mode;
  SyncDeviceCoreDrawSettings();
  return 0;
}

int GetDrawFilterMode() { return drawState.filterMode; }

int GetDrawTargetSize(int target, int* width, int* height) {
  if (target == kDrawTargetBackScreen || target == kDrawTargetFrontScreen) {
    *width = GetScreenSettings().width;
    *height = GetScreenSettings().height;
    return 0;
  }
  const GraphRecord* record = GetGraphRecord(target);
  if (!record) return -1;
  *width = record->width;
  *height = record->height;
  return 0;
}

int SetDrawClipRect(int x1, int y1, int x2, int y2) {
  drawState.requestedDrawArea = {x1, y1, x2, y2};
  int width = 0;
  int height = 0;
  if (GetDrawTargetSize(drawState.drawTarget, &width, &height) != 0) return -1;
  if (x2 < x1) {
    const int t = x1;
    x1 = x2;
    x2 = t;
  }
  if (y2 < y1) {
    const int t = y1;
    y1 = y2;
    y2 = t;
  }
  auto clamp = [](int v, int limit) { return v < 0 ? 0 : (v > limit ? limit : v); };
  StoreDrawArea({clamp(x1, width), clamp(y1, height), clamp(x2, width), clamp(y2, height)});
  const IntRect& area = drawState.drawArea;
  if (area.left == area.right || area.top == area.bottom) {
    drawState.drawAreaEmpty = 1;
    return 0;
  }
  drawState.drawAreaEmpty = 0;
  if (!GetScreenSettings().hardwareOn) return 0;
  if (!GetDeviceOps()) return -1;
  SetDeviceViewportRect(area.left, area.top, area.right, area.bottom);
  SetDeviceScissorRect(&area);
  const float areaWidth = static_cast<float>(area.right - area.left);
  const float areaHeight = static_cast<float>(area.bottom - area.top);
  SetDrawAreaViewport(static_cast<float>(area.left) + areaWidth * 0.5f,
                      static_cast<float>(area.top) + areaHeight * 0.5f, areaWidth, areaHeight);
  // The device projection carries the draw area's viewport.
  SetProjectionMatrix(&GetTransformState().projection.matrix);
  return 0;
}

int EnableVSyncWait(int flag) {
  drawState.noVSyncWait = flag == 0 ? 1 : 0;
  if (!GetSystemState().run.initialised) drawState.initialPresentInterval = flag;
  return 0;
}

int CheckVSyncWait() { return drawState.noVSyncWait ? 0 : 1; }

int EnableScreen320x240Emulation(int flag) {
  drawState.emulation320x240Request = flag;
  return 0;
}
