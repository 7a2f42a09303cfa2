#include "graphics/draw_target.h"

#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/device_core_link.h"
#include "graphics/graph_textures.h"
#include "system/log.h"
#include "graphics/draw_state.h"
#include "graphics/graph_handles.h"
#include "graphics/presentation.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "system/message_pump.h"
#include "system/system_state.h"

namespace {

SOFTIMG* currentDrawSoftImg = nullptr;
const SOFTIMG* blendGraphSoftImg = nullptr;

bool IsScreenTarget(int target) { return target >= -5 && target <= -2; }

// The device draws into the screen's back buffer (or its kept copy) or into
// the texture of a graph made for drawing into.
int SelectDeviceRenderTarget(int target) {
  const Direct3DState& d3d = GetDirect3DState();
  void* surface = d3d.subBackBuffer ? d3d.subBackBuffer : d3d.backBuffer;
  if (!IsScreenTarget(target)) surface = GetGraphSurface(target, nullptr);
  if (!surface) {
    AppendLog("描画先のサーフェスがありません\n");
    return -1;
  }
  FlushVertexBatch();
  return SetDeviceRenderTarget(surface) == 0 ? 0 : -1;
}

}  // namespace

SOFTIMG* GetCurrentDrawSoftImg() { return currentDrawSoftImg; }

void SetCurrentDrawSoftImg(SOFTIMG* image) { currentDrawSoftImg = image; }

const SOFTIMG* GetBlendGraphSoftImg() { return blendGraphSoftImg; }

void SetBlendGraphSoftImg(const SOFTIMG* image) { blendGraphSoftImg = image; }

int SelectDrawTarget(int target) {
  if (!GetScreenSettings().graphicsSetUp) return -1;
  WaitWhileInactive();
  GraphRecord* record = nullptr;
  if (!IsScreenTarget(target)) {
    record = GetGraphRecord(target);
    if (!record || !record->original || !record->original->drawValid) return -1;
  }
  if (GetScreenSettings().hardwareOn && SelectDeviceRenderTarget(target) != 0) return -1;
  currentDrawSoftImg = record ? &record->view : GetPrimaryScreenSoftImg();

  DrawStateRecord& state = GetDrawState();
  const int oldWidth = state.targetWidth;
  const int oldHeight = state.targetHeight;
  state.drawTarget = target;
  if (target == kDrawTargetFrontScreen) StartFrontScreenTimer();
  // -3 and -5 stand for the screens too.
  if (record) {
    state.targetWidth = record->width;
    state.targetHeight = record->height;
  } else {
    state.targetWidth = GetScreenSettings().width;
    state.targetHeight = GetScreenSettings().height;
  }
  if (state.targetWidth == oldWidth && state.targetHeight == oldHeight) {
    const IntRect area = state.drawArea;
    SetDrawClipRect(area.left, area.top, area.right, area.bottom);
  } else {
    SetDrawClipRect(0, 0, state.targetWidth, state.targetHeight);
  }
  SyncDeviceCoreDrawTarget();
  return 0;
}

int GetDrawTarget() { return GetDrawState().drawTarget; }
