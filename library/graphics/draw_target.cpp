#include "graphics/draw_target.h"

#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/camera_state.h"
#include "graphics/device_core_link.h"
#include "graphics/draw_state.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "graphics/mask_screen.h"
#include "graphics/presentation.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "system/log.h"
#include "system/message_pump.h"
#include "system/system_state.h"

namespace {

SOFTIMG* currentDrawSoftImg = nullptr;
const SOFTIMG* blendGraphSoftImg = nullptr;

bool IsScreenTarget(int target) { return target >= -5 && target <= -2; }

// The device draws into the screen's back buffer (or its kept copy) or into
// the texture of a graph made for drawing into.
int SelectDeviceRenderTarget(int target) {
  if (!GetScreenSettings().hardwareOn) return 0;
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

constexpr float kTanHalfFieldOfView = 0.57735026f;  // tan 30 degrees
constexpr float kFieldOfView2D = 1.0471976f;        // 60 degrees
constexpr float kFarBeyondEye = 20000.0f;

// A camera that shows the plane z = 0 pixel for pixel: the eye stands back
// from the target's centre so far that a 60-degree view spans its height.
void Set2DCamera(int width, int height) {
  Matrix44 identity;
  MakeIdentityMatrix(&identity);
  SetWorldMatrix(&identity);
  const float halfWidth = static_cast<float>(width) * 0.5f;
  const float halfHeight = static_cast<float>(height) * 0.5f;
  SetDrawAreaViewport(halfWidth, halfHeight, static_cast<float>(width),
                      static_cast<float>(height));
  SetViewportCenter(halfWidth, halfHeight);
  const float distance = static_cast<float>(height / 2) / kTanHalfFieldOfView;
  const Vector3 eye = {halfWidth, halfHeight, -distance};
  const Vector3 at = {halfWidth, halfHeight, -distance + 1.0f};
  const Vector3 up = {0.0f, 1.0f, 0.0f};
  Matrix44 view;
  MakeLookAtMatrix(&view, &eye, &at, &up);
  SetViewMatrix(&view);
  SetPerspectiveFieldOfView(kFieldOfView2D);
  SetProjectionNearFar(distance * 0.1f, distance + kFarBeyondEye);
}

void SwitchDrawTarget(int target, GraphRecord* record) {
  // The mask is off while the target changes and comes back for the new one.
  const int maskRequested = QueryMaskScreenEnabled();
  EnableMaskScreen(0);
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
  Set2DCamera(state.targetWidth, state.targetHeight);
  EnableMaskScreen(maskRequested);
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
  if (SelectDeviceRenderTarget(target) != 0) return -1;
  SwitchDrawTarget(target, record);
  return 0;
}

void FallBackToScreenTarget() {
  if (!GetScreenSettings().graphicsSetUp) return;
  SelectDeviceRenderTarget(kDrawTargetBackScreen);
  SwitchDrawTarget(kDrawTargetBackScreen, nullptr);
}

int GetDrawTarget() { return GetDrawState().drawTarget; }
