#include <windows.h>
#include <d3d9.h>

#include "Ombrel.h"
#include "direct3d9/device_life.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/shader_pack.h"

namespace {

// Only the default pair is ever made, so only its two slots are kept.
IDirect3DVertexShader9* defaultVertexShader = nullptr;
IDirect3DPixelShader9* defaultPixelShader = nullptr;

void WriteLibraryConstants() {
  const float vertexValue[4] = {0.0f, 1.0f, 0.0f, 0.0f};
  const float pixelValue[4] = {0.0f, 0.5f, 1.0f, 2.0f};
  SetVertexShaderConstants(1, 0, vertexValue);
  SetPixelShaderConstants(1, 0, pixelValue);
}

}  // namespace

int CreatePackShaders() {
  Direct3DState& state = GetDirect3DState();
  ReleasePackShaders();
  state.shadersInUse = 0;
  if (state.vertexShader20 && state.pixelShader20 && state.device) {
    state.shadersInUse = 1;
    if (LoadShaderPack() == 0) {
      AppendLog("シェーダーコードを展開するメモリ領域の確保に失敗しました\n");
      state.shadersInUse = 0;
    } else {
      auto vertexCode =
          reinterpret_cast<const DWORD*>(GetPackVertexShaderCode(kDefaultVertexShaderIndex));
      auto pixelCode =
          reinterpret_cast<const DWORD*>(GetPackPixelShaderCode(kDefaultPixelShaderIndex));
      if (!vertexCode ||
          FAILED(state.device->CreateVertexShader(vertexCode, &defaultVertexShader))) {
        defaultVertexShader = nullptr;
        state.shadersInUse = 0;
      }
      if (!pixelCode || FAILED(state.device->CreatePixelShader(pixelCode, &defaultPixelShader))) {
        defaultPixelShader = nullptr;
        state.shadersInUse = 0;
      }
    }
  }
  AppendLogFormat(state.shadersInUse ? "プログラマブルシェーダーを使用します\n"
                                     : "プログラマブルシェーダーを使用しません\n");
  WriteLibraryConstants();
  return 0;
}

int ReleasePackShaders() {
  if (!GetDirect3DState().device) return 0;
  UnsetDeviceShaders();
  if (defaultPixelShader) defaultPixelShader->Release();
  defaultPixelShader = nullptr;
  if (defaultVertexShader) defaultVertexShader->Release();
  defaultVertexShader = nullptr;
  return 0;
}

int CountPackDeviceShaders() {
  return (defaultVertexShader ? 1 : 0) + (defaultPixelShader ? 1 : 0);
}
