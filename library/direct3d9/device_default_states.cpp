#include "direct3d9/device_default_states.h"

#include <string.h>

#include "direct3d9/blend_apply.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_prepare.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/screen_settings.h"

namespace {

uint32_t FloatBits(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

void SetInitialFilters(DeviceStateCache& cache) {
  int filter;
  switch (cache.filterMode) {
    case 0:
      filter = D_D3DTEXF_POINT;
      break;
    case 1:
      filter = D_D3DTEXF_LINEAR;
      break;
    case 2:
      filter = D_D3DTEXF_ANISOTROPIC;
      break;
    default:
      return;
  }
  for (int s = 0; s < 8; ++s) cache.magFilter[s] = cache.minFilter[s] = cache.mipFilter[s] = filter;
}

void SetDefaultBlendSent(DeviceBlendInfo& sent) {
  memset(&sent, 0, sizeof sent);
  for (BlendStageRecord& stage : sent.stages) {
    stage.texture = nullptr;
    stage.resultToTemp = 0;
    stage.alphaArg1 = D_D3DTA_TEXTURE;
    stage.alphaArg2 = D_D3DTA_DIFFUSE;
    stage.alphaOp = D_D3DTOP_DISABLE;
    stage.colorArg1 = D_D3DTA_TEXTURE;
    stage.colorArg2 = D_D3DTA_DIFFUSE;
    stage.colorOp = D_D3DTOP_DISABLE;
  }
}

}  // namespace

int InitializeDeviceStates() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  DeviceStateCache& cache = GetDeviceStateCache();
  Direct3DState& state = GetDirect3DState();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  const ScreenSettings& screen = GetScreenSettings();

  InitializeVertexBatch();
  for (int s = 0; s < 8; ++s) {
    if (inputs.addressU[s] == 0) inputs.addressU[s] = D_D3DTADDRESS_CLAMP;
    if (inputs.addressV[s] == 0) inputs.addressV[s] = D_D3DTADDRESS_CLAMP;
    if (inputs.addressW[s] == 0) inputs.addressW[s] = D_D3DTADDRESS_CLAMP;
  }
  SetInitialFilters(cache);
  for (int s = 0; s < 8; ++s) {
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSU, inputs.addressU[s]);
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSV, inputs.addressV[s]);
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSW, inputs.addressW[s]);
    ops->SetSamplerState(s, D_D3DSAMP_MAGFILTER, cache.magFilter[s]);
    ops->SetSamplerState(s, D_D3DSAMP_MINFILTER, cache.minFilter[s]);
    ops->SetSamplerState(s, D_D3DSAMP_MIPFILTER, cache.mipFilter[s]);
    cache.stageMaxAnisotropy[s] = 1;
  }
  const struct {
    uint32_t state;
    uint32_t value;
  } renderStates[] = {
      {D_D3DRS_CULLMODE, D_D3DCULL_NONE},
      {D_D3DRS_LIGHTING, 1},
      {D_D3DRS_SHADEMODE, D_D3DSHADE_FLAT},
      {D_D3DRS_DITHERENABLE, 0},
      {D_D3DRS_SPECULARENABLE, 1},
      {D_D3DRS_AMBIENTMATERIALSOURCE, D_D3DMCS_MATERIAL},
      {D_D3DRS_NORMALIZENORMALS, 1},
      {D_D3DRS_FOGENABLE, 0},
      {D_D3DRS_FOGVERTEXMODE, D_D3DFOG_NONE},
      {D_D3DRS_FOGCOLOR, 0},
      {D_D3DRS_FOGSTART, FloatBits(0.0f)},
      {D_D3DRS_FOGEND, FloatBits(1.0f)},
  };
  for (const auto& entry : renderStates) ops->SetRenderState(entry.state, entry.value);
  ops->GetMaterial(&cache.material);

  cache.renderTarget = state.backBuffer;
  cache.viewport = {0, 0, static_cast<uint32_t>(screen.width),
                    static_cast<uint32_t>(screen.height), 0.0f, 1.0f};
  cache.deviceColor = 0xFFFFFFFF;
  cache.drawTexture = cache.blendTexture = nullptr;
  // The graph table starts empty with the graphics system.
  cache.whiteGraph = 0;
  SetDefaultBlendSent(cache.sentBlend);
  // No filter mode: the first SetDeviceFilterMode always reaches the device.
  cache.filterMode = 3;
  cache.maxAnisotropy = 1;
  cache.zEnable = 1;
  cache.zWriteEnable = 0;
  cache.zFunc = D_D3DCMP_LESSEQUAL;
  cache.depthBias = 0;
  cache.shadeMode = D_D3DSHADE_FLAT;
  cache.fillMode = D_D3DFILL_SOLID;
  cache.cullMode = 0;
  for (int s = 0; s < 8; ++s) {
    cache.addressU[s] = inputs.addressU[s];
    cache.addressV[s] = inputs.addressV[s];
    cache.addressW[s] = inputs.addressW[s];
  }
  cache.fogEnable = cache.fogMode = 0;
  cache.fogColor = 0;
  cache.fogStart = 0.0f;
  cache.fogEnd = 1.0f;
  cache.lightingEnable = 1;
  cache.specularEnable = 1;
  cache.colorModulate = cache.alphaModulate = 0;
  state.inScene = 0;
  cache.drawBlendMode = 0;
  cache.blendBorderParam = -1;
  cache.alphaBlendTexture = 0;
  cache.alphaTestFuncOverride = -1;
  cache.alphaTestRefOverride = 0;
  cache.colorKey = 0;
  cache.blendDirty = 1;
  cache.textureDirty = 0;
  cache.suppressDraw = 0;

  ResendBasicDeviceStates();
  BeginDeviceScene();
  PrepareDeviceDraw(nullptr, nullptr, 0);
  if (cache.blendDirty || cache.textureDirty) ApplyDeviceBlendState(nullptr, 1, 0);
  // One point at the top-left corner stays queued for the next flush.
  uint8_t* vertex = AppendBatchVertices(D_D3DPT_POINTLIST, 1);
  const float zero = 0.0f;
  memcpy(vertex, &zero, 4);
  memcpy(vertex + 4, &zero, 4);
  memcpy(vertex + 8, &zero, 4);
  CommitBatchVertices(1);
  return 0;
}

void ResendBasicDeviceStates() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return;
  DeviceStateCache& cache = GetDeviceStateCache();
  cache.forceResend = 1;
  D_D3DVIEWPORT9 viewport = cache.viewport;
  SetDeviceViewport(&viewport);
  IntRect scissor = cache.scissor;
  SetDeviceScissorRect(&scissor);
  ResetDeviceDefaultStates();
  SetDeviceFilterMode(cache.filterMode);
  ApplyDeviceBlendState(nullptr, 1, 0);
  SetDeviceZEnable(cache.zEnable);
  SetDeviceZWriteEnable(cache.zWriteEnable);
  SetDeviceZFunc(cache.zFunc);
  SetDeviceDepthBias(cache.depthBias);
  ops->SetRenderState(D_D3DRS_FILLMODE, cache.fillMode);
  SetDeviceCullMode(cache.cullMode);
  ops->SetRenderState(D_D3DRS_SHADEMODE, cache.shadeMode);
  D_D3DMATERIAL9 material = cache.material;
  SetDeviceMaterial(&material);
  ops->SetRenderState(D_D3DRS_SPECULARENABLE, cache.specularEnable);
  SetDeviceDiffuseSource(cache.diffuseFromVertex);
  SetDeviceSpecularSource(cache.specularFromVertex);
  cache.forceResend = 0;
}

int ResetDeviceDefaultStates() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  DeviceStateCache& cache = GetDeviceStateCache();
  FlushVertexBatch();
  for (int s = 0; s < 4; ++s) {
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSU, cache.addressU[s]);
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSV, cache.addressV[s]);
  }
  const int texCoordIndexes[4] = {0, 1, 1, 0};
  for (int s = 0; s < 4; ++s) {
    ops->SetTextureStageState(s, D_D3DTSS_TEXCOORDINDEX, texCoordIndexes[s]);
    cache.sentBlend.stages[s].texCoordIndex = texCoordIndexes[s];
  }
  if (GetDirect3DState().tssTempRegister) {
    for (int s = 0; s < 4; ++s) {
      ops->SetTextureStageState(s, D_D3DTSS_RESULTARG, D_D3DTA_CURRENT);
      cache.sentBlend.stages[s].resultToTemp = 0;
    }
  }
  ops->SetRenderState(D_D3DRS_SHADEMODE, cache.shadeMode);
  ops->SetRenderState(D_D3DRS_LIGHTING, cache.lightingEnable);
  ops->SetRenderState(D_D3DRS_CULLMODE, D_D3DCULL_NONE);
  ops->SetRenderState(D_D3DRS_DITHERENABLE, 0);
  const float vertexValue[4] = {0.0f, 1.0f, 0.0f, 0.0f};
  const float pixelValue[4] = {0.0f, 0.5f, 1.0f, 2.0f};
  SetVertexShaderConstants(1, 0, vertexValue);
  SetPixelShaderConstants(1, 0, pixelValue);
  if (cache.vertexShader) {
    ops->SetVertexShader(nullptr);
    cache.vertexShader = cache.vertexDeclaration = nullptr;
  }
  if (cache.pixelShader) {
    ops->SetPixelShader(nullptr);
    cache.pixelShader = nullptr;
  }
  cache.fvf = 0;
  cache.shaderWord1 = cache.shaderWord2 = 0;
  return 0;
}

int ResendAllDeviceStates() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  DeviceStateCache& cache = GetDeviceStateCache();
  DeviceCoreInputs& inputs = GetDeviceCoreInputs();
  ops->SetRenderState(D_D3DRS_DITHERENABLE, 0);
  cache.forceResend = 1;
  cache.drawTexture = nullptr;
  // Vertices pending from the old device are dropped.
  cache.batch.count = 0;
  cache.batch.writePointer = cache.batch.buffers[cache.batch.kind][cache.batch.type];

  SetDeviceBlendMode(cache.drawBlendMode, cache.alphaBlendTexture, cache.colorKey);
  SetDeviceCullMode(cache.cullMode);
  SetDeviceFilterMode(cache.filterMode);
  SetDeviceBlendMode(cache.drawBlendMode, cache.alphaBlendTexture, cache.colorKey);
  ops->SetRenderState(D_D3DRS_SHADEMODE, cache.shadeMode);
  SetDeviceMaxAnisotropy(cache.maxAnisotropy);
  SetDeviceCullMode(cache.cullMode);
  for (int s = 0; s < 8; ++s) {
    SetDeviceTextureAddressU(cache.addressU[s], s);
    SetDeviceTextureAddressV(cache.addressV[s], s);
    SetDeviceTextureAddressW(cache.addressW[s], s);
  }
  for (int s = 0; s < 8; ++s) {
    Matrix44 matrix = cache.textureMatrix[s];
    SetDeviceTextureTransform(s, cache.textureTransformFlag[s], &matrix);
  }
  ops->SetRenderState(D_D3DRS_FOGENABLE, cache.fogEnable);
  SetDeviceFogMode(cache.fogMode);
  ops->SetRenderState(D_D3DRS_FOGCOLOR, cache.fogColor);
  SetDeviceFogRange(cache.fogStart, cache.fogEnd);
  SetDeviceFogDensity(cache.fogDensity);
  ops->SetRenderState(D_D3DRS_ZENABLE, cache.zEnable == 1 ? 1 : 0);
  ops->SetRenderState(D_D3DRS_ZWRITEENABLE, cache.zWriteEnable);
  ops->SetRenderState(D_D3DRS_ZFUNC, cache.zFunc);
  ops->SetRenderState(D_D3DRS_DEPTHBIAS, cache.depthBias);
  ops->SetRenderState(D_D3DRS_FILLMODE, cache.fillMode);

  DeviceCoreHooks& hooks = inputs.hooks;
  FlushVertexBatch();
  if (hooks.updateCombinedMatrices) hooks.updateCombinedMatrices();
  if (GetDirect3DState().hardwareActive) ops->SetTransform(D_D3DTS_WORLD, &inputs.world);
  FlushVertexBatch();
  if (hooks.updateCombinedMatrices) hooks.updateCombinedMatrices();
  SetDeviceViewTransform(&inputs.view);
  if (hooks.setProjectionMatrix) hooks.setProjectionMatrix(&inputs.projection);
  if (hooks.setViewportMatrix) hooks.setViewportMatrix(&inputs.viewportMatrix);

  D_D3DMATERIAL9 material = cache.material;
  SetDeviceMaterial(&material);
  ops->SetRenderState(D_D3DRS_SPECULARENABLE, cache.specularEnable);
  ops->SetRenderState(D_D3DRS_DIFFUSEMATERIALSOURCE,
                      cache.diffuseFromVertex ? D_D3DMCS_COLOR1 : D_D3DMCS_MATERIAL);
  ops->SetRenderState(D_D3DRS_SPECULARMATERIALSOURCE,
                      cache.specularFromVertex ? D_D3DMCS_COLOR2 : D_D3DMCS_MATERIAL);
  // Rounded, so that each channel comes back exactly as it was set.
  auto channel = [](float value) { return static_cast<uint32_t>(static_cast<int>(value * 255.0f + 0.5f)); };
  uint32_t ambient = channel(cache.ambient.a) << 24 | channel(cache.ambient.r) << 16 |
                     channel(cache.ambient.g) << 8 | channel(cache.ambient.b);
  SetDeviceAmbientColor(ambient);
  ops->SetRenderState(D_D3DRS_LIGHTING, cache.lightingEnable);
  for (int i = 0; i < kDeviceLightCount; ++i) {
    if (cache.lights[i].Type == 0) continue;
    D_D3DLIGHT9 light = cache.lights[i];
    SetDeviceLight(i, &light);
    EnableDeviceLight(i, cache.lightEnabled[i]);
  }
  const IntRect& area = inputs.drawArea;
  D_D3DVIEWPORT9 viewport = {static_cast<uint32_t>(area.left), static_cast<uint32_t>(area.top),
                             static_cast<uint32_t>(area.right - area.left),
                             static_cast<uint32_t>(area.bottom - area.top), 0.0f, 1.0f};
  SetDeviceViewport(&viewport);
  SetDeviceScissorRect(&area);
  ResetDeviceTexCoordIndexes();
  ApplyDeviceBlendState(nullptr, 1, 0);
  ResendBasicDeviceStates();
  cache.forceResend = 0;
  return 0;
}
