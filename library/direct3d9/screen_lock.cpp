#include <windows.h>
#include <d3d9.h>

#include <string.h>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_life.h"
#include "direct3d9/device_services.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/surface_formats.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/screen_settings.h"

namespace {

struct ScreenLockState {
  int active;
  IDirect3DSurface9* copy;
  IDirect3DSurface9* surface;
};

ScreenLockState screenLock = {};

template <typename T>
void ReleaseInterface(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Copies the surface's rectangle through a render target into a locked
// system-memory surface; the render target is gone again on return.
int LockThroughCopy(IDirect3DDevice9* device, IDirect3DSurface9* surface, const RECT& rect,
                    D3DFORMAT format, D3DLOCKED_RECT* locked) {
  UINT w = rect.right - rect.left, h = rect.bottom - rect.top;
  IDirect3DSurface9* target = nullptr;
  if (FAILED(device->CreateRenderTarget(w, h, format, D3DMULTISAMPLE_NONE, 0, FALSE, &target,
                                        nullptr))) {
    AppendLog("バックバッファロック用描画可能サーフェスの作成に失敗しました\n");
    return -1;
  }
  IDirect3DSurface9* system = nullptr;
  if (FAILED(device->CreateOffscreenPlainSurface(w, h, format, D3DPOOL_SYSTEMMEM, &system,
                                                 nullptr))) {
    AppendLog("バックバッファロック用システムメモリサーフェスの作成に失敗しました\n");
    target->Release();
    return -1;
  }
  RECT whole = {0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
  device->StretchRect(surface, &rect, target, &whole, D3DTEXF_NONE);
  device->GetRenderTargetData(target, system);
  target->Release();
  if (FAILED(system->LockRect(locked, nullptr, D3DLOCK_READONLY))) {
    system->Release();
    return -1;
  }
  screenLock.copy = system;
  return 0;
}

}  // namespace

int LockDrawScreenPixels(const IntRect* rect, GraphImage* out) {
  // A lock left open would hold its copy surface for ever: end it first.
  if (screenLock.active) UnlockDrawScreenPixels();
  FlushVertexBatch();
  EndDeviceScene();
  Direct3DState& state = GetDirect3DState();
  const DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  const DeviceCoreHooks& hooks = inputs.hooks;
  if (!rect || rect->left < 0 || rect->left >= rect->right || rect->right > inputs.targetWidth ||
      rect->top < 0 || rect->top >= rect->bottom || rect->bottom > inputs.targetHeight)
    return -1;
  int w = rect->right - rect->left, h = rect->bottom - rect->top;
  if (!state.hardwareActive || !state.device) {
    GraphImage view = {};
    if (!hooks.describeTargetSoftImage || hooks.describeTargetSoftImage(inputs.drawTarget, &view))
      return -1;
    out->format = view.format;
    out->pitch = view.pitch;
    out->pixels = static_cast<uint8_t*>(view.pixels) + rect->top * view.pitch +
                  rect->left * view.format.bytesPerPixel;
  } else {
    int colorKind = -1;
    void* graphSurface = hooks.getGraphSurface ? hooks.getGraphSurface(inputs.drawTarget, &colorKind)
                                               : nullptr;
    IDirect3DSurface9* surface;
    int format;
    if (graphSurface && colorKind >= 0 && colorKind < kTextureFormatKinds) {
      surface = static_cast<IDirect3DSurface9*>(graphSurface);
      format = state.textureFormats[colorKind];
    } else {
      surface = state.subBackBuffer ? state.subBackBuffer : state.backBuffer;
      format = state.screenFormat;
    }
    const ColorFormat* colorFormat = GetD3DFormatColorFormat(format);
    if (!surface || !colorFormat) return -1;
    RECT area = {rect->left, rect->top, rect->right, rect->bottom};
    D3DLOCKED_RECT locked = {};
    screenLock.copy = nullptr;
    screenLock.surface = nullptr;
    if (state.backBufferLockChosen && SUCCEEDED(surface->LockRect(&locked, &area, D3DLOCK_READONLY))) {
      screenLock.surface = surface;
    } else if (LockThroughCopy(state.device, surface, area, static_cast<D3DFORMAT>(format),
                               &locked) != 0) {
      return -1;
    }
    out->format = *colorFormat;
    out->pitch = locked.Pitch;
    out->pixels = locked.pBits;
  }
  out->width = w;
  out->height = h;
  out->mipLevels = 0;
  screenLock.active = 1;
  return 0;
}

int UnlockDrawScreenPixels() {
  if (!screenLock.active) return 0;
  if (GetDirect3DState().hardwareActive) {
    if (screenLock.copy) {
      screenLock.copy->UnlockRect();
      ReleaseInterface(screenLock.copy);
    } else if (screenLock.surface) {
      screenLock.surface->UnlockRect();
      screenLock.surface = nullptr;
    }
  }
  screenLock.active = 0;
  return 0;
}

void ProbeBackBufferLock() {
  Direct3DState& state = GetDirect3DState();
  IDirect3DDevice9* device = state.device;
  const ScreenSettings& screen = GetScreenSettings();
  state.backBufferLockChosen = 0;
  int n = 256;
  while (n > screen.width || n > screen.height) n /= 2;
  const ColorFormat* format = GetD3DFormatColorFormat(state.screenFormat);
  int rowBytes = n * (format ? format->bytesPerPixel : 4);
  D3DFORMAT screenFormat = static_cast<D3DFORMAT>(state.screenFormat);
  RECT rect = {0, 0, n, n};
  int64_t lockTime = -1, copyTime = -1;
  for (int pass = 0; pass < 3; ++pass) {
    lockTime = copyTime = -1;
    IDirect3DSurface9 *dest = nullptr, *target = nullptr, *system = nullptr;
    D3DLOCKED_RECT destLock = {}, sourceLock = {};
    do {
      if (!device || !state.backBuffer ||
          FAILED(device->CreateOffscreenPlainSurface(n, n, screenFormat, D3DPOOL_SYSTEMMEM, &dest,
                                                     nullptr)))
        break;
      if (FAILED(dest->LockRect(&destLock, &rect, D3DLOCK_READONLY))) break;
      int64_t t0 = GetTickMicroseconds(0);
      if (FAILED(state.backBuffer->LockRect(&sourceLock, &rect, D3DLOCK_READONLY))) break;
      for (int y = 0; y < n; ++y)
        memcpy(static_cast<uint8_t*>(destLock.pBits) + y * destLock.Pitch,
               static_cast<uint8_t*>(sourceLock.pBits) + y * sourceLock.Pitch, rowBytes);
      state.backBuffer->UnlockRect();
      lockTime = GetTickMicroseconds(0) - t0;
      int64_t t1 = GetTickMicroseconds(0);
      if (FAILED(device->CreateRenderTarget(n, n, screenFormat, D3DMULTISAMPLE_NONE, 0, FALSE,
                                            &target, nullptr)))
        break;
      if (FAILED(device->CreateOffscreenPlainSurface(n, n, screenFormat, D3DPOOL_SYSTEMMEM,
                                                     &system, nullptr)))
        break;
      device->StretchRect(state.backBuffer, &rect, target, &rect, D3DTEXF_NONE);
      device->GetRenderTargetData(target, system);
      if (FAILED(system->LockRect(&sourceLock, nullptr, D3DLOCK_READONLY))) break;
      for (int y = 0; y < n; ++y)
        memcpy(static_cast<uint8_t*>(destLock.pBits) + y * destLock.Pitch,
               static_cast<uint8_t*>(sourceLock.pBits) + y * sourceLock.Pitch, rowBytes);
      system->UnlockRect();
      copyTime = GetTickMicroseconds(0) - t1;
    } while (false);
    ReleaseInterface(system);
    ReleaseInterface(target);
    if (dest && destLock.pBits) dest->UnlockRect();
    ReleaseInterface(dest);
  }
  if (lockTime == -1 || copyTime == -1) {
    AppendLog("バックバッファロックはロックできません\n");
    return;
  }
  AppendLogFormat("バックバッファロック転送の時間:%dnsec  一時的な描画可能バッファを使用した転送の時間:%dnsec",
                  static_cast<int>(lockTime), static_cast<int>(copyTime));
  if (lockTime < copyTime) {
    state.backBufferLockChosen = 1;
    AppendLog("バックバッファロックを使用します\n");
  } else {
    AppendLog("バックバッファロックを使用しません\n");
  }
}

int SetDeviceDialogBoxMode(int flag) {
  Direct3DState& state = GetDirect3DState();
  if (!state.device) return 0;
  EndDeviceScene();
  state.device->SetDialogBoxMode(flag ? TRUE : FALSE);
  return 0;
}

int RefreshDeviceDialogBoxMode(int flag) {
  Direct3DState& state = GetDirect3DState();
  if (!state.hardwareActive || !state.device) return 0;
  state.device->SetDialogBoxMode(FALSE);
  if (flag) state.device->SetDialogBoxMode(TRUE);
  return 0;
}
