#include "Ombrel.h"
#include "direct3d9/device_state_cache.h"

#include <math.h>
#include <string.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"

namespace {

DeviceStateCache cache = {};

bool Skips(bool equal) { return equal && !cache.forceResend; }

long SendRenderState(uint32_t state, uint32_t value) {
  return GetDeviceOps()->SetRenderState(state, value);
}

int ResultOf(long hr) { return hr < 0 ? -1 : 0; }

uint32_t FloatBits(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

void TransposeInto(float (*registers)[4], const Matrix44* matrix) {
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < 4; ++column) registers[row][column] = matrix->m[column][row];
}

// A row vector times the matrix, with or without its translation row.
D_D3DVECTOR Transform(const D_D3DVECTOR& v, const Matrix44& m, bool translate) {
  D_D3DVECTOR out;
  out.x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + (translate ? m.m[3][0] : 0.0f);
  out.y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + (translate ? m.m[3][1] : 0.0f);
  out.z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + (translate ? m.m[3][2] : 0.0f);
  return out;
}

void ColorTimes(float* out, const D_D3DCOLORVALUE& a, const D_D3DCOLORVALUE& b) {
  out[0] = a.r * b.r;
  out[1] = a.g * b.g;
  out[2] = a.b * b.b;
  out[3] = a.a * b.a;
}

void StoreColor(float* out, const D_D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

void UploadFogConstant() {
  float range = cache.fogEnd - cache.fogStart;
  float values[4] = {cache.fogEnd / range, -1.0f / range, cache.fogDensity, 2.7182817f};
  SetVertexShaderConstants(1, 10, values);
}

void FilterValues(int mode, int* mag, int* min, int* mip) {
  switch (mode) {
    case 0:
      *mag = D_D3DTEXF_POINT, *min = D_D3DTEXF_POINT, *mip = D_D3DTEXF_NONE;
      break;
    case 1:
      *mag = D_D3DTEXF_LINEAR, *min = D_D3DTEXF_LINEAR, *mip = D_D3DTEXF_NONE;
      break;
    default:
      *mag = D_D3DTEXF_LINEAR, *min = D_D3DTEXF_ANISOTROPIC, *mip = D_D3DTEXF_LINEAR;
      break;
  }
}

// The sampler's cached address array for one coordinate.
int* AddressArray(uint32_t coordinate) {
  if (coordinate == D_D3DSAMP_ADDRESSU) return cache.addressU;
  if (coordinate == D_D3DSAMP_ADDRESSV) return cache.addressV;
  return cache.addressW;
}

int SetAddressCoordinate(uint32_t coordinate, int mode, int stage) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  if (stage < -1 || stage > 7) return -1;
  int* modes = AddressArray(coordinate);
  int first = stage < 0 ? 0 : stage;
  int last = stage < 0 ? 7 : stage;
  bool equal = true;
  for (int s = first; s <= last; ++s) equal = equal && modes[s] == mode;
  if (Skips(equal)) return 0;
  FlushVertexBatch();
  long hr = 0;
  for (int s = last; s >= first; --s) {
    hr = ops->SetSamplerState(s, coordinate, mode);
    modes[s] = mode;
  }
  return ResultOf(hr);
}

void SetLightBools(int index, const D_D3DLIGHT9* light) {
  int values[2] = {light->Type == D_D3DLIGHT_POINT || light->Type == D_D3DLIGHT_SPOT,
                   light->Type == D_D3DLIGHT_SPOT};
  GetDeviceOps()->SetVertexShaderConstantB(5 + 3 * index, values, 2);
}

}  // namespace

DeviceStateCache& GetDeviceStateCache() { return cache; }

int SetDeviceFilterMode(int mode) {
  if (!GetDeviceOps()) return -1;
  if (Skips(mode == cache.filterMode)) return 0;
  FlushVertexBatch();
  if (mode < 0 || mode > 2) return -1;
  int mag, min, mip;
  FilterValues(mode, &mag, &min, &mip);
  DeviceOps* ops = GetDeviceOps();
  for (int s = 0; s < cache.sentBlend.stageCount && s < 8; ++s) {
    if (cache.magFilter[s] != mag || cache.forceResend) {
      ops->SetSamplerState(s, D_D3DSAMP_MAGFILTER, mag);
      cache.magFilter[s] = mag;
    }
    if (cache.minFilter[s] != min || cache.forceResend) {
      ops->SetSamplerState(s, D_D3DSAMP_MINFILTER, min);
      cache.minFilter[s] = min;
    }
    if (cache.mipFilter[s] != mip || cache.forceResend) {
      ops->SetSamplerState(s, D_D3DSAMP_MIPFILTER, mip);
      cache.mipFilter[s] = mip;
    }
  }
  cache.filterMode = mode;
  return 0;
}

int SetDeviceMaxAnisotropy(int value) {
  if (!GetDeviceOps()) return -1;
  if (Skips(value == cache.maxAnisotropy)) return 0;
  FlushVertexBatch();
  if (value < 1) value = 1;
  for (int s = 0; s < cache.sentBlend.stageCount && s < 8; ++s) {
    if (cache.stageMaxAnisotropy[s] == value) continue;
    GetDeviceOps()->SetSamplerState(s, D_D3DSAMP_MAXANISOTROPY, value);
    cache.stageMaxAnisotropy[s] = value;
  }
  cache.maxAnisotropy = value;
  return 0;
}

int SetDeviceBlendMode(int mode, int alphaBlendTexture, int colorKey) {
  if (!GetDeviceOps()) return -1;
  if (Skips(mode == cache.drawBlendMode && alphaBlendTexture == cache.alphaBlendTexture &&
            colorKey == cache.colorKey))
    return 0;
  FlushVertexBatch();
  cache.drawBlendMode = mode;
  cache.alphaBlendTexture = alphaBlendTexture;
  cache.colorKey = colorKey;
  cache.blendDirty = 1;
  return 0;
}

int SetDeviceAlphaTestMode(int function, int reference) {
  if (!GetDeviceOps()) return -1;
  if (Skips(function == cache.alphaTestFuncOverride && reference == cache.alphaTestRefOverride))
    return 0;
  FlushVertexBatch();
  cache.alphaTestFuncOverride = function;
  cache.alphaTestRefOverride = reference;
  cache.blendDirty = 1;
  return 0;
}

int SetDeviceTexture(void* texture) {
  if (!GetDeviceOps()) return -1;
  if (Skips(texture == cache.drawTexture)) return 0;
  FlushVertexBatch();
  // Between textured and untextured the stage set itself changes.
  if ((texture == nullptr) != (cache.drawTexture == nullptr)) cache.blendDirty = 1;
  cache.drawTexture = texture;
  cache.textureDirty = 1;
  return 0;
}

int SetDeviceBlendTexture(void* texture, int borderParam, int rangeParam) {
  if (!GetDeviceOps()) return -1;
  bool same = texture ? texture == cache.blendTexture && borderParam == cache.blendBorderParam &&
                            rangeParam == cache.blendRangeParam
                      : cache.blendTexture == nullptr;
  if (Skips(same)) return 0;
  FlushVertexBatch();
  cache.blendTexture = texture;
  if (borderParam != -1) cache.blendBorderParam = borderParam;
  if (rangeParam != -1) cache.blendRangeParam = rangeParam;
  cache.blendDirty = 1;
  return 0;
}

int SetDeviceZEnable(int flag) {
  if (!GetDeviceOps()) return -1;
  if (Skips(flag == cache.zEnable)) return 0;
  FlushVertexBatch();
  SendRenderState(D_D3DRS_ZENABLE, flag == 1 ? D_D3DZB_TRUE : D_D3DZB_FALSE);
  cache.zEnable = flag;
  return 0;
}

int SetDeviceZWriteEnable(int value) {
  if (!GetDeviceOps()) return -1;
  if (Skips(value == cache.zWriteEnable)) return 0;
  FlushVertexBatch();
  SendRenderState(D_D3DRS_ZWRITEENABLE, value);
  cache.zWriteEnable = value;
  return 0;
}

int SetDeviceZFunc(int function) {
  if (!GetDeviceOps()) return -1;
  if (Skips(function == cache.zFunc)) return 0;
  FlushVertexBatch();
  SendRenderState(D_D3DRS_ZFUNC, function);
  cache.zFunc = function;
  return 0;
}

int SetDeviceDepthBias(uint32_t bits) {
  if (!GetDeviceOps()) return -1;
  if (Skips(bits == cache.depthBias)) return 0;
  FlushVertexBatch();
  SendRenderState(D_D3DRS_DEPTHBIAS, bits);
  cache.depthBias = bits;
  return 0;
}

int SetDeviceDiffuseSource(int flag) {
  if (!GetDeviceOps()) return 0;
  if (Skips(flag == cache.diffuseFromVertex)) return 0;
  FlushVertexBatch();
  cache.diffuseFromVertex = flag;
  return ResultOf(
      SendRenderState(D_D3DRS_DIFFUSEMATERIALSOURCE, flag ? D_D3DMCS_COLOR1 : D_D3DMCS_MATERIAL));
}

int SetDeviceSpecularSource(int flag) {
  if (!GetDeviceOps()) return 0;
  if (Skips(flag == cache.specularFromVertex)) return 0;
  FlushVertexBatch();
  cache.specularFromVertex = flag;
  return ResultOf(
      SendRenderState(D_D3DRS_SPECULARMATERIALSOURCE, flag ? D_D3DMCS_COLOR2 : D_D3DMCS_MATERIAL));
}

int SetDeviceCullMode(int mode) {
  if (!GetDeviceOps()) return 0;
  if (Skips(mode == cache.cullMode)) return 0;
  FlushVertexBatch();
  int value = mode == 0 ? D_D3DCULL_NONE : mode == 2 ? D_D3DCULL_CW : D_D3DCULL_CCW;
  SendRenderState(D_D3DRS_CULLMODE, value);
  cache.cullMode = mode;
  return 0;
}

int SetDeviceTextureAddress(int mode, int stage) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  if (stage < -1 || stage > 7) return -1;
  int first = stage < 0 ? 0 : stage;
  int last = stage < 0 ? 7 : stage;
  bool equal = true;
  for (int s = first; s <= last; ++s)
    equal = equal && cache.addressU[s] == mode && cache.addressV[s] == mode &&
            cache.addressW[s] == mode;
  if (Skips(equal)) return 0;
  FlushVertexBatch();
  long hr = 0;
  for (int s = last; s >= first; --s) {
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSU, mode);
    ops->SetSamplerState(s, D_D3DSAMP_ADDRESSV, mode);
    hr = ops->SetSamplerState(s, D_D3DSAMP_ADDRESSW, mode);
    cache.addressU[s] = cache.addressV[s] = cache.addressW[s] = mode;
  }
  return ResultOf(hr);
}

int SetDeviceTextureAddressU(int mode, int stage) {
  return SetAddressCoordinate(D_D3DSAMP_ADDRESSU, mode, stage);
}
int SetDeviceTextureAddressV(int mode, int stage) {
  return SetAddressCoordinate(D_D3DSAMP_ADDRESSV, mode, stage);
}
int SetDeviceTextureAddressW(int mode, int stage) {
  return SetAddressCoordinate(D_D3DSAMP_ADDRESSW, mode, stage);
}

int SetDeviceTextureTransform(int stage, int flag, const Matrix44* matrix) {
  DeviceOps* ops = GetDeviceOps();
  if (stage >= 8) return 0;
  if (stage < 0) {
    FlushVertexBatch();
    for (int s = 0; s < 4; ++s) {
      if (ops && flag == 1) {
        ops->SetTextureStageState(s, D_D3DTSS_TEXTURETRANSFORMFLAGS, D_D3DTTFF_COUNT3);
        ops->SetTransform(D_D3DTS_TEXTURE0 + s, matrix);
      } else if (ops) {
        ops->SetTextureStageState(s, D_D3DTSS_TEXTURETRANSFORMFLAGS, D_D3DTTFF_DISABLE);
      }
      cache.textureTransformFlag[s] = flag;
      cache.textureMatrix[s] = *matrix;
    }
    return 0;
  }
  if (cache.textureTransformFlag[stage] == 0 && flag == 0) return 0;
  FlushVertexBatch();
  if (ops && flag == 1) {
    if (cache.textureTransformFlag[stage] == 0)
      ops->SetTextureStageState(stage, D_D3DTSS_TEXTURETRANSFORMFLAGS, D_D3DTTFF_COUNT3);
    ops->SetTransform(D_D3DTS_TEXTURE0 + stage, matrix);
  } else if (ops) {
    ops->SetTextureStageState(stage, D_D3DTSS_TEXTURETRANSFORMFLAGS, D_D3DTTFF_DISABLE);
  }
  cache.textureTransformFlag[stage] = flag;
  cache.textureMatrix[stage] = *matrix;
  return 0;
}

int SetDeviceFogEnable(int flag) {
  if (!GetDeviceOps()) return 0;
  if (Skips(flag == cache.fogEnable)) return 0;
  FlushVertexBatch();
  cache.fogEnable = flag;
  return ResultOf(SendRenderState(D_D3DRS_FOGENABLE, flag));
}

int SetDeviceFogMode(int mode) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  if (Skips(mode == cache.fogMode)) return 0;
  FlushVertexBatch();
  cache.fogMode = mode;
  if (GetDirect3DState().shadersInUse) {
    int values[4] = {mode == 3, mode == 1, mode == 2, mode != 0};
    ops->SetVertexShaderConstantB(0, values, 4);
  }
  return ResultOf(SendRenderState(D_D3DRS_FOGVERTEXMODE, mode));
}

int SetDeviceFogColor(uint32_t color) {
  if (!GetDeviceOps()) return 0;
  if (Skips(color == cache.fogColor)) return 0;
  FlushVertexBatch();
  cache.fogColor = color;
  return ResultOf(SendRenderState(D_D3DRS_FOGCOLOR, color));
}

int SetDeviceFogRange(float start, float end) {
  if (!GetDeviceOps()) return 0;
  FlushVertexBatch();
  if (start != cache.fogStart || cache.forceResend == 1) {
    cache.fogStart = start;
    SendRenderState(D_D3DRS_FOGSTART, FloatBits(start));
    UploadFogConstant();
  }
  if (end != cache.fogEnd || cache.forceResend == 1) {
    cache.fogEnd = end;
    SendRenderState(D_D3DRS_FOGEND, FloatBits(end));
    UploadFogConstant();
  }
  return 0;
}

int SetDeviceFogDensity(float density) {
  if (!GetDeviceOps()) return 0;
  if (density == cache.fogDensity && cache.forceResend == 0) return 0;
  FlushVertexBatch();
  cache.fogDensity = density;
  UploadFogConstant();
  return ResultOf(SendRenderState(D_D3DRS_FOGDENSITY, FloatBits(density)));
}

int SetDeviceLighting(int flag) {
  if (!GetDeviceOps()) return 0;
  if (Skips(flag == cache.lightingEnable)) return 0;
  cache.lightingEnable = flag;
  return ResultOf(SendRenderState(D_D3DRS_LIGHTING, flag));
}

int ResetDeviceTexCoordIndexes() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  for (int s = 0; s < kBlendStageCount; ++s) {
    if (cache.sentBlend.stages[s].texCoordIndex == s && !cache.forceResend) continue;
    ops->SetTextureStageState(s, D_D3DTSS_TEXCOORDINDEX, s);
    cache.sentBlend.stages[s].texCoordIndex = s;
  }
  return 0;
}

int SetDeviceWorldTransform(const Matrix44* matrix) {
  if (GetDeviceOps()) GetDeviceOps()->SetTransform(D_D3DTS_WORLD, matrix);
  return 0;
}

int SetDeviceViewTransform(const Matrix44* matrix) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  ops->SetTransform(D_D3DTS_VIEW, matrix);
  float registers[4][4];
  TransposeInto(registers, matrix);
  SetVertexShaderConstants(4, 6, &registers[0][0]);
  // Light positions follow the core's view; directions the one given.
  const Matrix44& coreView = GetDeviceCoreInputs().view;
  for (int i = 0; i < 4; ++i) {
    const D_D3DLIGHT9& light = cache.lights[i];
    D_D3DVECTOR position = Transform(light.Position, coreView, true);
    D_D3DVECTOR direction = Transform(light.Direction, *matrix, false);
    float values[2][4] = {{position.x, position.y, position.z, 1.0f},
                          {direction.x, direction.y, direction.z, 0.0f}};
    SetVertexShaderConstants(2, 14 + 7 * i, &values[0][0]);
  }
  return 0;
}

int SetDeviceProjectionTransform(const Matrix44* matrix) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  ops->SetTransform(D_D3DTS_PROJECTION, matrix);
  float registers[4][4];
  TransposeInto(registers, matrix);
  SetVertexShaderConstants(4, 2, &registers[0][0]);
  return 0;
}

void SetVertexShaderConstants(int count, int first, const float* values) {
  if (first < 0 || count <= 0 || first + count > kVertexConstantCount) return;
  memcpy(cache.vsConstants[first], values, sizeof(float) * 4 * count);
  DeviceOps* ops = GetDeviceOps();
  if (ops && GetDirect3DState().shadersInUse) ops->SetVertexShaderConstantF(first, values, count);
}

void SetPixelShaderConstants(int count, int first, const float* values) {
  if (first < 0 || count <= 0 || first + count > kPixelConstantCount) return;
  memcpy(cache.psConstants[first], values, sizeof(float) * 4 * count);
  DeviceOps* ops = GetDeviceOps();
  if (ops && GetDirect3DState().shadersInUse) ops->SetPixelShaderConstantF(first, values, count);
}

int SetDeviceViewport(const D_D3DVIEWPORT9* viewport) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  const D_D3DVIEWPORT9& cached = cache.viewport;
  if (Skips(viewport->X == cached.X && viewport->Y == cached.Y &&
            viewport->Width == cached.Width && viewport->Height == cached.Height))
    return 0;
  FlushVertexBatch();
  EndDeviceScene();
  long hr = ops->SetViewport(viewport);
  if (hr < 0) {
    AppendLogFormat("ビューポートのセットに失敗しました ErrorCode %x\n", static_cast<unsigned>(hr));
    return -1;
  }
  cache.viewport = *viewport;
  return 0;
}

int SetDeviceViewportRect(int x1, int y1, int x2, int y2) {
  D_D3DVIEWPORT9 viewport = {static_cast<uint32_t>(x1), static_cast<uint32_t>(y1),
                             static_cast<uint32_t>(x2 - x1), static_cast<uint32_t>(y2 - y1),
                             0.0f, 1.0f};
  return SetDeviceViewport(&viewport);
}

int SetDeviceScissorRect(const IntRect* rect) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  const IntRect& cached = cache.scissor;
  if (Skips(rect->left == cached.left && rect->top == cached.top && rect->right == cached.right &&
            rect->bottom == cached.bottom))
    return 0;
  FlushVertexBatch();
  EndDeviceScene();
  ops->SetScissorRect(rect);
  cache.scissor = *rect;
  return 0;
}

int SetDeviceRenderTarget(void* surface) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return -1;
  if (Skips(surface == cache.renderTarget)) return 0;
  FlushVertexBatch();
  ops->SetRenderTarget(0, surface);
  cache.renderTarget = surface;
  int width = 0, height = 0;
  ops->GetSurfaceSize(surface, &width, &height);
  D_D3DVIEWPORT9 viewport = {0, 0, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                             0.0f, 1.0f};
  SetDeviceViewport(&viewport);
  return 0;
}

int SetDeviceLight(int index, const D_D3DLIGHT9* light) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  FlushVertexBatch();
  if (index >= 0 && index < kDeviceLightCount) cache.lights[index] = *light;
  if (index >= 0 && index < 4) {
    const Matrix44& view = GetDeviceCoreInputs().view;
    D_D3DVECTOR position = Transform(light->Position, view, true);
    D_D3DVECTOR direction = Transform(light->Direction, view, false);
    float halfPhi = cosf(light->Phi * 0.5f);
    float halfTheta = cosf(light->Theta * 0.5f);
    float registers[7][4] = {
        {position.x, position.y, position.z, 1.0f},
        {direction.x, direction.y, direction.z, 0.0f},
        {},
        {},
        {},
        {light->Range * light->Range, light->Falloff, light->Attenuation0, light->Attenuation1},
        {light->Attenuation2, halfPhi, 1.0f / (halfTheta - halfPhi), 0.0f}};
    StoreColor(registers[2], light->Diffuse);
    StoreColor(registers[3], light->Specular);
    StoreColor(registers[4], light->Ambient);
    SetVertexShaderConstants(7, 14 + 7 * index, &registers[0][0]);
    SetPixelShaderConstants(3, 9 + 3 * index, &registers[2][0]);
    UploadAmbientShaderConstants();
    SetLightBools(index, light);
  }
  return ResultOf(ops->SetLight(index, light));
}

int EnableDeviceLight(int index, int flag) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  FlushVertexBatch();
  if (index >= 0 && index < kDeviceLightCount) {
    cache.lightEnabled[index] = flag;
    if (flag == 1) {
      if (index > cache.highestLight) cache.highestLight = index;
    } else if (index == cache.highestLight) {
      int highest = index;
      while (highest > 0 && !cache.lightEnabled[highest]) --highest;
      cache.highestLight = highest;
    }
    UploadAmbientShaderConstants();
    if (GetDirect3DState().shadersInUse && index < 4) {
      int value = flag;
      ops->SetVertexShaderConstantB(4 + 3 * index, &value, 1);
    }
  }
  return ResultOf(ops->LightEnable(index, flag));
}

int SetDeviceMaterial(const D_D3DMATERIAL9* material) {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return 0;
  if (Skips(memcmp(material, &cache.material, sizeof *material) == 0)) return 0;
  FlushVertexBatch();
  cache.material = *material;
  float registers[3][4] = {{}, {}, {material->Power, 0.0f, 0.0f, 0.0f}};
  StoreColor(registers[0], material->Diffuse);
  StoreColor(registers[1], material->Specular);
  SetVertexShaderConstants(3, 11, &registers[0][0]);
  SetPixelShaderConstants(3, 2, &registers[0][0]);
  UploadAmbientShaderConstants();
  return ResultOf(ops->SetMaterial(material));
}

int SetDeviceAmbientColor(uint32_t argb) {
  if (!GetDeviceOps()) return 0;
  FlushVertexBatch();
  cache.ambient.r = ((argb >> 16) & 0xFF) / 255.0f;
  cache.ambient.g = ((argb >> 8) & 0xFF) / 255.0f;
  cache.ambient.b = (argb & 0xFF) / 255.0f;
  cache.ambient.a = ((argb >> 24) & 0xFF) / 255.0f;
  UploadAmbientShaderConstants();
  return ResultOf(SendRenderState(D_D3DRS_AMBIENT, argb));
}

void UploadAmbientShaderConstants() {
  for (int i = 0; i <= cache.highestLight && i < 4; ++i) {
    if (!cache.lightEnabled[i]) continue;
    float value[4];
    ColorTimes(value, cache.lights[i].Ambient, cache.material.Ambient);
    SetVertexShaderConstants(1, 18 + 7 * i, value);
    SetPixelShaderConstants(1, 11 + 3 * i, value);
  }
  float scene[4];
  ColorTimes(scene, cache.ambient, cache.material.Ambient);
  const D_D3DCOLORVALUE& emissive = cache.material.Emissive;
  scene[0] += emissive.r;
  scene[1] += emissive.g;
  scene[2] += emissive.b;
  scene[3] += emissive.a;
  SetVertexShaderConstants(1, 1, scene);
  SetPixelShaderConstants(1, 1, scene);
}

void UnsetDeviceShaders() {
  DeviceOps* ops = GetDeviceOps();
  if (!ops) return;
  ops->SetVertexShader(nullptr);
  ops->SetPixelShader(nullptr);
  cache.vertexShader = cache.vertexDeclaration = cache.pixelShader = nullptr;
}

void ForgetDeviceObjects() {
  cache.renderTarget = nullptr;
  cache.drawTexture = nullptr;
  cache.blendTexture = nullptr;
  cache.volumeTexture = nullptr;
  for (BlendStageRecord& stage : cache.sentBlend.stages) stage.texture = nullptr;
  cache.vertexShader = nullptr;
  cache.pixelShader = nullptr;
  cache.vertexDeclaration = nullptr;
  cache.fvf = 0;
}
