#include "direct3d9/device_prepare.h"

#include "direct3d9/blend_apply.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"

namespace {

void PrepareShaders(DeviceOps* ops, DeviceStateCache& cache, int flags) {
  if (!(flags & kDrawKeepShaders)) {
    if (cache.vertexShader) {
      ops->SetVertexShader(nullptr);
      // Clearing the FVF makes the next draw send its own.
      cache.vertexShader = cache.vertexDeclaration = nullptr;
      cache.fvf = 0;
    }
    if (cache.pixelShader) {
      ops->SetPixelShader(nullptr);
      cache.pixelShader = nullptr;
    }
  }
  cache.shaderWord1 = cache.shaderWord2 = 0;
}

void PrepareLighting(DeviceStateCache& cache, DeviceCoreInputs& inputs, int flags) {
  if ((flags & kDrawLighting) && !inputs.lightingOff) {
    if (inputs.lightsChanged) {
      if (inputs.hooks.applyLightHandles) inputs.hooks.applyLightHandles();
    } else if (!cache.lightingEnable) {
      SetDeviceLighting(1);
    }
    if (inputs.materialChanged) {
      inputs.materialChanged = 0;
      SetDeviceMaterial(&inputs.material);
    }
    int diffuse = inputs.materialDiffuseFlag == 0;
    int specular = inputs.materialSpecularFlag == 0;
    if (diffuse != cache.diffuseFromVertex) SetDeviceDiffuseSource(diffuse);
    if (specular != cache.specularFromVertex) SetDeviceSpecularSource(specular);
  } else if (cache.lightingEnable) {
    SetDeviceLighting(0);
  }
}

void PrepareDepth(DeviceOps* ops, DeviceStateCache& cache, const DeviceDepthSet& depth) {
  if (depth.zEnable) {
    if (depth.zEnable != cache.zEnable) SetDeviceZEnable(depth.zEnable);
    if (depth.zWriteEnable != cache.zWriteEnable) SetDeviceZWriteEnable(depth.zWriteEnable);
    if (depth.zFunc != cache.zFunc) SetDeviceZFunc(depth.zFunc);
    if (depth.depthBias != cache.depthBias) SetDeviceDepthBias(depth.depthBias);
  } else if (cache.zEnable) {
    FlushVertexBatch();
    ops->SetRenderState(D_D3DRS_ZENABLE, D_D3DZB_FALSE);
    cache.zEnable = 0;
  }
}

void SetKeyFlag(DeviceStateCache& cache, int* cached, int value) {
  if (*cached == value) return;
  FlushVertexBatch();
  *cached = value;
  cache.blendDirty = 1;
}

void PrepareBlendInputs(DeviceStateCache& cache, const DeviceCoreInputs& inputs,
                        const uint8_t* imageFlags, void* texture, int flags) {
  int mode = inputs.blendMode;
  int alphaBlend = 0, colorKey = 0;
  if (texture && imageFlags && (flags & kDrawUseTransparency) &&
      !(imageFlags[7] == 0 && imageFlags[1] == 0)) {
    // Blending modes, and bilinear edges of keyed images, blend by alpha;
    // otherwise an alpha image blends and a keyed one is alpha-tested.
    if ((mode != 0 && mode != 8) || (!(flags & kDrawKeepAlphaTest) && inputs.filterMode == 1)) {
      alphaBlend = 1;
    } else {
      alphaBlend = imageFlags[1];
      colorKey = imageFlags[7];
    }
  }
  int colorModulate = (flags & kDrawColorModulate) || (inputs.drawBright & 0xFFFFFF) != 0xFFFFFF;
  int alphaModulate = (flags & kDrawAlphaModulate) || mode != 0 || inputs.blendParamAsAlpha;
  SetKeyFlag(cache, &cache.colorModulate, colorModulate ? 1 : 0);
  SetKeyFlag(cache, &cache.alphaModulate, alphaModulate ? 1 : 0);
  if (texture != cache.drawTexture) SetDeviceTexture(texture);
  if (mode != cache.drawBlendMode || alphaBlend != cache.alphaBlendTexture ||
      colorKey != cache.colorKey)
    SetDeviceBlendMode(mode, alphaBlend, colorKey);
  if (inputs.alphaTestFunc != cache.alphaTestFuncOverride ||
      inputs.alphaTestRef != cache.alphaTestRefOverride)
    SetDeviceAlphaTestMode(inputs.alphaTestFunc, inputs.alphaTestRef);
  if (cache.blendDirty || cache.textureDirty) ApplyDeviceBlendState(nullptr, 1, 0);
}

void PrepareAddressModes(DeviceOps* ops, DeviceStateCache& cache, const DeviceCoreInputs& inputs,
                         int flags) {
  if (flags & kDrawAddressModes) {
    for (int s = 0; s < 8; ++s) {
      if (inputs.addressU[s] == cache.addressU[s]) continue;
      FlushVertexBatch();
      ops->SetSamplerState(s, D_D3DSAMP_ADDRESSU, inputs.addressU[s]);
      cache.addressU[s] = inputs.addressU[s];
    }
    for (int s = 0; s < 8; ++s) {
      if (inputs.addressV[s] == cache.addressV[s]) continue;
      FlushVertexBatch();
      ops->SetSamplerState(s, D_D3DSAMP_ADDRESSV, inputs.addressV[s]);
      cache.addressV[s] = inputs.addressV[s];
    }
    return;
  }
  for (int s = 0; s < 4; ++s)
    if (cache.addressU[s] != D_D3DTADDRESS_CLAMP || cache.addressV[s] != D_D3DTADDRESS_CLAMP)
      SetDeviceTextureAddress(D_D3DTADDRESS_CLAMP, s);
}

}  // namespace

void PrepareDeviceDraw(const uint8_t* imageFlags, void* texture, int flags) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return;
  DeviceStateCache& cache = GetDeviceStateCache();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();

  PrepareShaders(ops, cache, flags);
  PrepareLighting(cache, inputs, flags);

  int specular = !inputs.specularOff && (flags & kDrawSpecular) ? 1 : 0;
  if (specular != cache.specularEnable) {
    FlushVertexBatch();
    cache.specularEnable = specular;
    ops->SetRenderState(D_D3DRS_SPECULARENABLE, specular);
  }
  PrepareDepth(ops, cache, (flags & kDraw3DDepth) ? inputs.depth3D : inputs.depth2D);
  if (inputs.fillMode != cache.fillMode) {
    FlushVertexBatch();
    ops->SetRenderState(D_D3DRS_FILLMODE, inputs.fillMode);
    cache.fillMode = inputs.fillMode;
  }
  int fog = (flags & kDrawFog) ? inputs.fogEnable : 0;
  if (fog != cache.fogEnable) SetDeviceFogEnable(fog);

  if (!(flags & kDrawKeepBlend)) PrepareBlendInputs(cache, inputs, imageFlags, texture, flags);

  int shade = (flags & kDrawGouraud) ? D_D3DSHADE_GOURAUD : D_D3DSHADE_FLAT;
  if (shade != cache.shadeMode) {
    cache.shadeMode = shade;
    FlushVertexBatch();
    ops->SetRenderState(D_D3DRS_SHADEMODE, shade);
  }
  if (inputs.filterMode != cache.filterMode) SetDeviceFilterMode(inputs.filterMode);
  if (inputs.maxAnisotropy != cache.maxAnisotropy) SetDeviceMaxAnisotropy(inputs.maxAnisotropy);
  if (inputs.cullMode != cache.cullMode) SetDeviceCullMode(inputs.cullMode);
  if (cache.transformPending) {
    SetDeviceTextureTransform(-1, inputs.textureTransformFlag, &inputs.textureMatrix);
    cache.transformPending = 0;
  }
  PrepareAddressModes(ops, cache, inputs, flags);

  Direct3DState& state = GetDirect3DState();
  state.lastDrawImageFlags = imageFlags;
  state.lastDrawTexture = texture;
  state.lastDrawFlags = flags;
}
