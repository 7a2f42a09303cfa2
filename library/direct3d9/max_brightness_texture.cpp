#include <windows.h>
#include <d3d9.h>

#include "Ombrel.h"
#include "direct3d9/device_life.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/max_brightness.h"

int CreateMaxBrightnessVolumeTexture() {
  Direct3DState& state = GetDirect3DState();
  IDirect3DDevice9* device = state.device;
  if (!device) return -1;
  state.maxBrightnessVolumeTexture = nullptr;
  IDirect3DVolumeTexture9* source = nullptr;
  auto fail = [&](const char* text) {
    AppendLog(text);
    if (state.maxBrightnessVolumeTexture) state.maxBrightnessVolumeTexture->Release();
    state.maxBrightnessVolumeTexture = nullptr;
    if (source) source->Release();
    return -1;
  };
  const int n = kMaxBrightnessSize;
  if (FAILED(device->CreateVolumeTexture(n, n, n, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                         &state.maxBrightnessVolumeTexture, nullptr))) {
    state.maxBrightnessVolumeTexture = nullptr;
    return fail(
        "RGBカラーを輝度を最大にしたRGB値に変換するためのボリュームテクスチャの作成に失敗しました\n");
  }
  if (FAILED(device->CreateVolumeTexture(n, n, n, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                         &source, nullptr))) {
    source = nullptr;
    return fail("RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャの作成に"
                "失敗しました\n");
  }
  D3DLOCKED_BOX locked = {};
  D3DBOX box = {0, 0, static_cast<UINT>(n), static_cast<UINT>(n), 0, static_cast<UINT>(n)};
  if (FAILED(source->LockBox(0, &locked, &box, 0)))
    return fail("RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャのロックに"
                "失敗しました\n");
  FillMaxBrightnessTable(static_cast<uint8_t*>(locked.pBits), locked.RowPitch, locked.SlicePitch);
  source->UnlockBox(0);
  device->UpdateTexture(source, state.maxBrightnessVolumeTexture);
  source->Release();
  return 0;
}
