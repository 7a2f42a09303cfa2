#include <windows.h>
#include <d3d9.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_services.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "system/log.h"
#include "system/system_state.h"

namespace {

RECT ToRect(const IntRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

int PresentDeviceFrame(const IntRect* source, const IntRect* dest) {
  Direct3DState& state = GetDirect3DState();
  if (!state.device) return -1;
  FlushVertexBatch();
  EndDeviceScene();
  // A kept copy of the picture is what the screen shows.
  if (state.subBackBuffer && state.backBuffer &&
      state.device->StretchRect(state.subBackBuffer, nullptr, state.backBuffer, nullptr,
                                D3DTEXF_NONE) < 0) {
    return -1;
  }
  if (!state.swapChain) return 0;
  RECT sourceRect = source ? ToRect(*source) : RECT{};
  RECT destRect = dest ? ToRect(*dest) : RECT{};
  const HRESULT result = state.swapChain->Present(source ? &sourceRect : nullptr,
                                                  dest ? &destRect : nullptr, nullptr, nullptr, 0);
  if (result < 0) {
    AppendLogFormat("画面の転送に失敗しました %08x\n", static_cast<unsigned>(result));
    return -1;
  }
  return 0;
}

int PresentDeviceOnActivation() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  EndDeviceScene();
  return ops->Present() < 0 ? -1 : 0;
}

int ClearDeviceDrawTarget(const IntRect* region) {
  Direct3DState& state = GetDirect3DState();
  if (!state.device) return 0;
  FlushVertexBatch();
  EndDeviceScene();
  const SystemSettings& settings = GetSystemState().settings;
  const D3DCOLOR background = D3DCOLOR_XRGB(settings.backgroundRed & 0xFF,
                                            settings.backgroundGreen & 0xFF,
                                            settings.backgroundBlue & 0xFF);
  const DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  // Clear works inside the viewport: the whole target for the clear, the
  // draw area again afterwards.
  SetDeviceViewportRect(0, 0, inputs.targetWidth, inputs.targetHeight);
  DWORD flags = D3DCLEAR_TARGET;
  if (state.zBuffer) flags |= D3DCLEAR_ZBUFFER;
  D3DRECT rect = {};
  if (region) rect = {region->left, region->top, region->right, region->bottom};
  state.device->Clear(region ? 1 : 0, region ? &rect : nullptr, flags, background, 1.0f, 0);
  const IntRect& area = inputs.drawArea;
  SetDeviceViewportRect(area.left, area.top, area.right, area.bottom);
  return 0;
}
