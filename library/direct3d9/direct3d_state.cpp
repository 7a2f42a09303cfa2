#include "direct3d9/direct3d_state.h"

#include "direct3d9/core_inputs.h"

namespace {

Direct3DState state = {};

DeviceCoreInputs MakeDefaultInputs() {
  DeviceCoreInputs inputs = {};
  inputs.drawBright = 0xFFFFFF;
  inputs.blendGraph = -1;
  inputs.maxAnisotropy = 1;
  inputs.alphaTestFunc = -1;
  inputs.fillMode = 3;
  // 2D draws test Z without writing it, so a frame starts with Z on.
  inputs.depth2D = {1, 0, 4, 0};
  inputs.depth3D = {1, 1, 4, 0};
  for (int s = 0; s < 8; ++s) inputs.addressU[s] = inputs.addressV[s] = inputs.addressW[s] = 3;
  MakeIdentityMatrix(&inputs.textureMatrix);
  MakeIdentityMatrix(&inputs.world);
  MakeIdentityMatrix(&inputs.view);
  MakeIdentityMatrix(&inputs.projection);
  MakeIdentityMatrix(&inputs.viewportMatrix);
  inputs.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  inputs.material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  inputs.drawTarget = -2;
  inputs.presentWaitsVSync = 1;
  return inputs;
}

DeviceCoreInputs coreInputs = MakeDefaultInputs();

}  // namespace

Direct3DState& GetDirect3DState() { return state; }

DeviceCoreInputs& GetDeviceCoreInputs() { return coreInputs; }

void ResetDeviceCoreInputs() { coreInputs = MakeDefaultInputs(); }

int CountUnlinkedDeviceCoreHooks() {
  const DeviceCoreHooks& hooks = coreInputs.hooks;
  const void* entries[] = {
      reinterpret_cast<const void*>(hooks.applyLightHandles),
      reinterpret_cast<const void*>(hooks.updateCombinedMatrices),
      reinterpret_cast<const void*>(hooks.setProjectionMatrix),
      reinterpret_cast<const void*>(hooks.setViewportMatrix),
      reinterpret_cast<const void*>(hooks.releaseAllGraphTextures),
      reinterpret_cast<const void*>(hooks.createAllGraphTextures),
      reinterpret_cast<const void*>(hooks.getGraphTexture),
      reinterpret_cast<const void*>(hooks.createGraphFromFileImage),
      reinterpret_cast<const void*>(hooks.getGraphTransColor),
      reinterpret_cast<const void*>(hooks.setGraphTransColor),
      reinterpret_cast<const void*>(hooks.getGraphSurface),
      reinterpret_cast<const void*>(hooks.describeTargetSoftImage),
      reinterpret_cast<const void*>(hooks.updateGraphFromGraphImage),
      reinterpret_cast<const void*>(hooks.updateGraphFromFileImage),
      reinterpret_cast<const void*>(hooks.updateGraphFromGraphImagePair),
      reinterpret_cast<const void*>(hooks.removeGraph),
  };
  static_assert(sizeof entries == sizeof(DeviceCoreHooks), "every hook is counted");
  int count = 0;
  for (const void* entry : entries) count += entry ? 0 : 1;
  return count;
}
