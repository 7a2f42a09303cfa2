#include <windows.h>
#include <d3d9.h>

#include "Ombrel.h"
#include "direct3d9/buffer_handles.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_life.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_services.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/model_system.h"
#include "graphics/presentation.h"
#include "graphics/screen_mode.h"

namespace {

template <typename T>
void ReleaseInterface(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

template <typename Record, typename Visit>
void ForEachRecord(HandleTable& table, Visit visit) {
  for (int slot = 0; slot < table.endIndex; ++slot)
    if (table.records[slot]) visit(static_cast<Record*>(table.records[slot]));
}

}  // namespace

int TerminateDirect3D() {
  Direct3DState& state = GetDirect3DState();
  ReleaseModelBuffers();
  ReleaseVertexDeclarations();
  ReleasePackShaders();
  // A true full-screen device gives the display back itself.
  if (!IsWindowMode() && (!state.hardwareActive || IsWindowedFullScreen()))
    RestoreDesktopDisplayMode();
  ReleaseInterface(state.zBuffer);
  ReleaseInterface(state.subBackBuffer);
  ReleaseInterface(state.backBuffer);
  ReleaseInterface(state.swapChain);
  ReleaseInterface(state.maxBrightnessVolumeTexture);
  if (state.device) {
    AppendLog("Direct3DDevice9 の解放 3\n");
    InstallDeviceOps(nullptr);
    ReleaseInterface(state.device);
    state.inScene = 0;
    ForgetDeviceObjects();
  }
  // Second names of released objects must not outlive them.
  state.deviceEx = nullptr;
  ReleaseInterface(state.direct3D);
  state.direct3DEx = nullptr;
  ReleaseDirectDrawObject();
  if (state.d3d9Module) {
    AppendLog("Direct3D9 DLL の解放 4\n");
    FreeLibrary(state.d3d9Module);
    state.d3d9Module = nullptr;
  }
  FreeDisplayModeList();
  return 0;
}

int ReleaseDeviceResources() {
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  if (hooks.releaseAllGraphTextures) hooks.releaseAllGraphTextures();
  auto releaseBuffer = [](BufferRecord* record) {
    if (record->object) record->object->Release();
    record->object = nullptr;
  };
  ForEachRecord<BufferRecord>(GetVertexBufferTable(), releaseBuffer);
  ForEachRecord<BufferRecord>(GetIndexBufferTable(), releaseBuffer);
  ForEachRecord<ShaderRecord>(GetShaderTable(), [](ShaderRecord* record) {
    if (record->object) record->object->Release();
    record->object = nullptr;
  });
  return 0;
}

int RestoreDeviceResources() {
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  if (hooks.createAllGraphTextures) hooks.createAllGraphTextures();
  ForEachRecord<BufferRecord>(GetVertexBufferTable(),
                              [](BufferRecord* record) { RecreateVertexBufferObject(record); });
  ForEachRecord<BufferRecord>(GetIndexBufferTable(),
                              [](BufferRecord* record) { RecreateIndexBufferObject(record); });
  ForEachRecord<ShaderRecord>(GetShaderTable(),
                              [](ShaderRecord* record) { RecreateShaderObject(record); });
  return 0;
}
