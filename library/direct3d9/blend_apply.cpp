#include "direct3d9/blend_apply.h"

#include <stdint.h>
#include <string.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/embedded_images.h"
#include "direct3d9/vertex_batch.h"

const BlendModeRow kBlendModeTable[kBlendModeCount] = {
    {-1, -1, 0, 1}, {6, 5, 0, 1},  {2, 5, 0, 1}, {1, 10, 0, 1}, {3, 1, 0, 1},
    {2, 5, 0, 1},   {-1, -1, 0, 1}, {-1, -1, 0, 1}, {2, 1, 0, 1},  {1, 10, 0, 1},
    {6, 5, 2, 1},   {3, 1, 1, 1},  {6, 5, 3, 1}, {2, 5, 3, 1},  {2, 5, 0, 3},
};

namespace {

BlendStageRecord MakeStage(int texCoord, int alphaOp, int alphaArg1, int alphaArg2, int colorOp,
                           int colorArg1, int colorArg2) {
  BlendStageRecord stage = {};
  stage.texCoordIndex = texCoord;
  stage.resultToTemp = 0;
  stage.alphaArg1 = static_cast<int16_t>(alphaArg1);
  stage.alphaArg2 = static_cast<int16_t>(alphaArg2);
  stage.alphaOp = static_cast<int16_t>(alphaOp);
  stage.colorArg1 = static_cast<int16_t>(colorArg1);
  stage.colorArg2 = static_cast<int16_t>(colorArg2);
  stage.colorOp = static_cast<int16_t>(colorOp);
  return stage;
}

BlendStageRecord EndStage(int texCoord) {
  BlendStageRecord stage = MakeStage(texCoord, D_D3DTOP_DISABLE, -1, -1, D_D3DTOP_DISABLE, -1, -1);
  stage.resultToTemp = -1;
  return stage;
}

// The colour operation that brings in the drawn texture for stage set s.
void SetTextureColor(BlendStageRecord* stage, int s, int c) {
  int texture = D_D3DTA_TEXTURE;
  if (s == 2) texture |= D_D3DTA_COMPLEMENT;
  if (s == 3) {
    stage->colorOp = D_D3DTOP_MODULATE4X, stage->colorArg1 = D_D3DTA_TEXTURE;
    stage->colorArg2 = D_D3DTA_DIFFUSE;
  } else if (c == 0) {
    stage->colorOp = D_D3DTOP_SELECTARG1, stage->colorArg1 = texture, stage->colorArg2 = -1;
  } else {
    stage->colorOp = D_D3DTOP_MODULATE, stage->colorArg1 = texture;
    stage->colorArg2 = D_D3DTA_DIFFUSE;
  }
}

BlendStageRecord TexturedStage(int texCoord, int alphaOp, int alphaArg1, int alphaArg2, int s,
                               int c) {
  BlendStageRecord stage = MakeStage(texCoord, alphaOp, alphaArg1, alphaArg2, 0, 0, 0);
  SetTextureColor(&stage, s, c);
  return stage;
}

StageSetBlock BuildBlock(int s, int b, int c, int a, int l) {
  StageSetBlock block = {};
  int n = 0;
  if (b == 0) {
    BlendStageRecord stage0;
    if (l == 0)
      stage0 = TexturedStage(0, D_D3DTOP_SELECTARG2, -1, D_D3DTA_DIFFUSE, s == 1 ? 0 : s, c);
    else if (a == 0)
      stage0 = TexturedStage(0, D_D3DTOP_SELECTARG1, D_D3DTA_TEXTURE, -1, s == 1 ? 0 : s, c);
    else
      stage0 = TexturedStage(0, D_D3DTOP_MODULATE, D_D3DTA_TEXTURE, D_D3DTA_DIFFUSE,
                             s == 1 ? 0 : s, c);
    block.stages[n++] = stage0;
    if (s == 1)
      block.stages[n++] = MakeStage(1, D_D3DTOP_SELECTARG1, D_D3DTA_CURRENT, -1,
                                    D_D3DTOP_BLENDCURRENTALPHA, D_D3DTA_CURRENT, D_D3DTA_TFACTOR);
  } else {
    block.stages[n++] = MakeStage(0, D_D3DTOP_ADD, D_D3DTA_TEXTURE, D_D3DTA_TFACTOR,
                                  D_D3DTOP_SELECTARG2, -1, D_D3DTA_DIFFUSE);
    if (l == 0) {
      block.stages[n++] =
          TexturedStage(1, D_D3DTOP_MODULATE, D_D3DTA_CURRENT, D_D3DTA_DIFFUSE, s, c);
    } else if (l == 1) {
      block.stages[n++] = MakeStage(1, D_D3DTOP_MODULATE, D_D3DTA_SPECULAR, D_D3DTA_CURRENT,
                                    D_D3DTOP_SELECTARG1, D_D3DTA_CURRENT, -1);
      block.stages[n++] =
          TexturedStage(1, D_D3DTOP_MODULATE, D_D3DTA_TEXTURE, D_D3DTA_CURRENT, s, c);
      if (a == 1)
        block.stages[n++] = MakeStage(0, D_D3DTOP_MODULATE, D_D3DTA_DIFFUSE, D_D3DTA_CURRENT,
                                      D_D3DTOP_SELECTARG1, D_D3DTA_CURRENT, -1);
    } else {
      block.stages[n++] =
          TexturedStage(1, D_D3DTOP_MODULATE, D_D3DTA_TEXTURE, D_D3DTA_CURRENT, s, c);
      if (a == 1)
        block.stages[n++] = MakeStage(1, D_D3DTOP_MODULATE, D_D3DTA_DIFFUSE, D_D3DTA_CURRENT,
                                      D_D3DTOP_SELECTARG1, D_D3DTA_CURRENT, -1);
    }
  }
  block.count = n;
  block.stages[n] = EndStage(-1);
  return block;
}

struct StageSetTable {
  StageSetBlock blocks[96];
  StageSetTable() {
    for (int s = 0; s < 4; ++s)
      for (int b = 0; b < 2; ++b)
        for (int c = 0; c < 2; ++c)
          for (int a = 0; a < 2; ++a)
            for (int l = 0; l < 3; ++l)
              blocks[((((s * 2 + b) * 2 + c) * 2 + a) * 3) + l] = BuildBlock(s, b, c, a, l);
  }
};

const StageSetTable stageSetTable;

// Subtraction without a blend operation: the colour is drawn as it is and
// the core emulates the subtraction around it.
StageSetBlock SubtractStageSet() {
  StageSetBlock block = {};
  block.count = 1;
  block.stages[0] = MakeStage(0, D_D3DTOP_SELECTARG2, -1, D_D3DTA_DIFFUSE, D_D3DTOP_SELECTARG1,
                              D_D3DTA_DIFFUSE, -1);
  block.stages[1] = EndStage(0);
  return block;
}

void* GraphTexture(int graph) {
  return GetDeviceCoreInputs().hooks.getGraphTexture(graph);
}

void* WhiteGraphTexture() {
  DeviceStateCache& cache = GetDeviceStateCache();
  // Made once per graphics start-up (0 until then) and kept: a device
  // restore gives the same graph a new texture.
  if (cache.whiteGraph != 0) return GraphTexture(cache.whiteGraph);
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  int enabled = 0;
  int color = hooks.getGraphTransColor(&enabled);
  hooks.setGraphTransColor(0xFF00FF, enabled);
  cache.whiteGraph = hooks.createGraphFromFileImage(kWhiteTga, sizeof kWhiteTga);
  hooks.setGraphTransColor(color, enabled);
  BeginDeviceScene();
  return GraphTexture(cache.whiteGraph);
}

void ResolveTextures(DeviceBlendInfo* info, int handleFlag) {
  if (!handleFlag) return;
  for (int i = 0; i <= info->stageCount && i < kBlendStageCount; ++i) {
    intptr_t handle = reinterpret_cast<intptr_t>(info->stages[i].texture);
    info->stages[i].texture = GraphTexture(static_cast<int>(handle));
  }
}

bool DrawsWithoutBlending(int mode) { return mode == 0 || mode == 6; }

void UseStages(DeviceBlendInfo* info, const StageSetBlock& block) {
  info->stageCount = block.count;
  memcpy(info->stages, block.stages, sizeof block.stages);
}

void AlphaTestOffKeepingSent(DeviceBlendInfo* info, const DeviceBlendInfo& sent) {
  info->alphaTestEnable = 0;
  info->alphaRef = sent.alphaRef;
  info->alphaFunc = sent.alphaFunc;
}

void BuildUntexturedStages(DeviceBlendInfo* info, int mode, int stageSet, void** stage0Texture) {
  DeviceStateCache& cache = GetDeviceStateCache();
  if (mode == 3) {
    UseStages(info, SubtractStageSet());
    return;
  }
  StageSetBlock block = {};
  block.count = 1;
  BlendStageRecord& stage = block.stages[0];
  stage = MakeStage(0, D_D3DTOP_SELECTARG2, -1, D_D3DTA_DIFFUSE, D_D3DTOP_SELECTARG2, -1,
                    D_D3DTA_DIFFUSE);
  if (stageSet == 1) {
    stage.colorOp = D_D3DTOP_BLENDDIFFUSEALPHA, stage.colorArg1 = D_D3DTA_DIFFUSE;
    stage.colorArg2 = D_D3DTA_TFACTOR;
  } else if (stageSet == 2) {
    stage.colorOp = D_D3DTOP_SELECTARG1, stage.colorArg1 = D_D3DTA_DIFFUSE | D_D3DTA_COMPLEMENT;
    stage.colorArg2 = -1;
  } else if (stageSet == 3) {
    stage.colorOp = D_D3DTOP_MODULATE4X, stage.colorArg1 = D_D3DTA_DIFFUSE;
    stage.colorArg2 = D_D3DTA_TEXTURE;
    *stage0Texture = WhiteGraphTexture();
  }
  block.stages[1] = EndStage(0);
  UseStages(info, block);
  (void)cache;
}

// The blend-texture threshold: alpha is compared or ramped around the border
// parameter, the ramp's steepness chosen from the range parameter.
void ApplyBlendTextureRange(DeviceBlendInfo* info, const DeviceBlendInfo& sent, int border,
                            int range, int alphaBlendTexture, int colorKey) {
  if (range <= 1) {
    info->alphaTestEnable = 1;
    info->alphaRef = (border == 0 && (alphaBlendTexture || colorKey)) ? 1 : border;
    info->alphaFunc = D_D3DCMP_GREATEREQUAL;
    info->alphaBlendEnable = 0;
    info->textureFactor = 0x00FFFFFF;
    return;
  }
  AlphaTestOffKeepingSent(info, sent);
  info->alphaBlendEnable = 1;
  int scale, modulate;
  if (range <= 64)
    scale = 1280, modulate = D_D3DTOP_MODULATE4X;
  else if (range <= 128)
    scale = 768, modulate = D_D3DTOP_MODULATE2X;
  else
    scale = 512, modulate = D_D3DTOP_MODULATE;
  int knee = scale - 256;
  int x = border * scale / 255;
  int t = scale - x;
  int factorAlpha;
  info->stages[1].alphaOp = static_cast<int16_t>(modulate);
  if (t < knee) {
    factorAlpha = 255 - t * 255 / knee;
    info->stages[0].alphaOp = D_D3DTOP_SUBTRACT;
  } else {
    int rise = range <= 64 ? 64 : range <= 128 ? 128 : 255;
    factorAlpha = (t - knee) * rise / 256;
    info->stages[0].alphaOp = D_D3DTOP_ADD;
  }
  info->textureFactor = (static_cast<uint32_t>(factorAlpha) << 24) | 0x00FFFFFF;
}

void BuildFromDrawState(DeviceBlendInfo* info) {
  DeviceStateCache& cache = GetDeviceStateCache();
  Direct3DState& state = GetDirect3DState();
  const DeviceBlendInfo& sent = cache.sentBlend;
  int mode = cache.drawBlendMode;
  if (mode < 0 || mode >= kBlendModeCount) mode = 0;
  const BlendModeRow& row = kBlendModeTable[mode];
  memset(info, 0, sizeof *info);
  info->destBlend = row.destBlend;
  info->srcBlend = row.srcBlend;
  info->blendOp = row.blendOp;
  if (mode == 3 && state.nativeBlendOp) {
    info->destBlend = D_D3DBLEND_ONE;
    info->srcBlend = D_D3DBLEND_SRCALPHA;
    info->blendOp = D_D3DBLENDOP_REVSUBTRACT;
  }
  info->textureFactor = 0xFFFFFFFF;
  info->alphaBlendEnable = DrawsWithoutBlending(mode) ? 0 : 1;
  info->alphaRef = sent.alphaRef;
  info->alphaFunc = sent.alphaFunc;
  cache.blendDirty = 0;
  cache.textureDirty = 0;

  int c = cache.colorModulate ? 1 : 0;
  int a = cache.alphaModulate ? 1 : 0;
  int abt = cache.alphaBlendTexture;
  int key = cache.colorKey;
  VertexBatch& batch = cache.batch;
  if (!cache.drawTexture) {
    cache.suppressDraw = 0;
    void* stage0Texture = nullptr;
    BuildUntexturedStages(info, mode, row.stageSet, &stage0Texture);
    for (BlendStageRecord& stage : info->stages) stage.texture = nullptr;
    info->stages[0].texture = stage0Texture;
    AlphaTestOffKeepingSent(info, sent);
    info->textureFactor = row.stageSet == 1 ? 0xFFFFFFFF : sent.textureFactor;
    batch.type = 0;
  } else if (!cache.blendTexture) {
    cache.suppressDraw = 0;
    batch.type = 1;
    int l = abt ? 1 : (key || cache.zEnable) ? 2 : 0;
    UseStages(info, GetStageSetBlock(row.stageSet, 0, c, a, l));
    for (BlendStageRecord& stage : info->stages) stage.texture = nullptr;
    info->stages[0].texture = cache.drawTexture;
    if (key) {
      info->alphaTestEnable = 1, info->alphaRef = 16, info->alphaFunc = D_D3DCMP_GREATER;
    } else if (cache.zEnable) {
      info->alphaTestEnable = 1, info->alphaRef = 0, info->alphaFunc = D_D3DCMP_GREATER;
    } else {
      AlphaTestOffKeepingSent(info, sent);
    }
    if (abt == 1 && DrawsWithoutBlending(mode)) {
      info->destBlend = D_D3DBLEND_INVSRCALPHA;
      info->srcBlend = D_D3DBLEND_SRCALPHA;
      info->alphaBlendEnable = 1;
    }
    info->textureFactor = 0xFFFFFFFF;
  } else {
    int l = abt ? 1 : key ? 2 : 0;
    int s = (mode == 12 || mode == 13) ? 3 : 0;
    UseStages(info, GetStageSetBlock(s, 1, c, a, l));
    if (DrawsWithoutBlending(mode)) {
      info->destBlend = D_D3DBLEND_INVSRCALPHA;
      info->srcBlend = D_D3DBLEND_SRCALPHA;
    }
    // A border of 255 lets nothing through.
    cache.suppressDraw = cache.blendBorderParam == 255;
    batch.type = 2;
    for (BlendStageRecord& stage : info->stages) stage.texture = nullptr;
    info->stages[0].texture = cache.blendTexture;
    info->stages[abt ? 2 : 1].texture = cache.drawTexture;
    ApplyBlendTextureRange(info, sent, cache.blendBorderParam, cache.blendRangeParam, abt, key);
  }
  batch.count = 0;
  batch.writePointer = batch.buffers[0][batch.type];
  if (info->stageCount != cache.sentBlend.stageCount) {
    cache.sentBlend.stageCount = info->stageCount;
    int force = cache.forceResend;
    cache.forceResend = 1;
    SetDeviceFilterMode(cache.filterMode);
    SetDeviceMaxAnisotropy(cache.maxAnisotropy);
    cache.forceResend = force;
  }
}

template <typename T>
void SendIfChanged(bool force, T* sent, T value, uint32_t state) {
  if (!force && *sent == value) return;
  GetDeviceOps()->SetRenderState(state, static_cast<uint32_t>(value));
  *sent = value;
}

// Blend factors and operation: -1 leaves the device value, but a forced send
// repeats the value last sent.
void SendFactor(bool force, int32_t* sent, int32_t value, uint32_t state) {
  if (value == -1) {
    if (force && *sent > 1) GetDeviceOps()->SetRenderState(state, *sent);
    return;
  }
  SendIfChanged(force, sent, value, state);
}

void SendStageState(bool force, uint32_t stage, int16_t* sent, int16_t value, uint32_t type) {
  if (value == -1 || (!force && *sent == value)) return;
  GetDeviceOps()->SetTextureStageState(stage, type, static_cast<uint32_t>(value));
  *sent = value;
}

void SendDescription(const DeviceBlendInfo& info, int texturesOnly) {
  DeviceStateCache& cache = GetDeviceStateCache();
  DeviceBlendInfo& sent = cache.sentBlend;
  DeviceOps* ops = GetDeviceOps();
  bool force = cache.forceResend != 0;
  SendIfChanged(force, &sent.alphaFunc, info.alphaFunc, D_D3DRS_ALPHAFUNC);
  SendIfChanged(force, &sent.alphaRef, info.alphaRef, D_D3DRS_ALPHAREF);
  SendIfChanged(force, &sent.alphaTestEnable, info.alphaTestEnable, D_D3DRS_ALPHATESTENABLE);
  SendIfChanged(force, &sent.alphaBlendEnable, info.alphaBlendEnable, D_D3DRS_ALPHABLENDENABLE);
  if (force || sent.textureFactor != info.textureFactor) {
    uint32_t factor = info.textureFactor;
    ops->SetRenderState(D_D3DRS_TEXTUREFACTOR, factor);
    sent.textureFactor = factor;
    float value[4] = {(factor & 0xFF) / 255.0f, ((factor >> 8) & 0xFF) / 255.0f,
                      ((factor >> 16) & 0xFF) / 255.0f, ((factor >> 24) & 0xFF) / 255.0f};
    SetPixelShaderConstants(1, 5, value);
  }
  SendFactor(force, &sent.srcBlend, info.srcBlend, D_D3DRS_SRCBLEND);
  SendFactor(force, &sent.destBlend, info.destBlend, D_D3DRS_DESTBLEND);
  SendFactor(force, &sent.blendOp, info.blendOp, D_D3DRS_BLENDOP);

  int last = info.stageCount + 1;
  if (last > kBlendStageCount) last = kBlendStageCount;
  bool tempRegister = GetDirect3DState().tssTempRegister != 0;
  for (int i = 0; i < last; ++i) {
    if (i >= 2 && info.stages[i - 1].alphaOp == D_D3DTOP_DISABLE && !texturesOnly) break;
    const BlendStageRecord& stage = info.stages[i];
    BlendStageRecord& sentStage = sent.stages[i];
    if (force || sentStage.texture != stage.texture) {
      ops->SetTexture(i, stage.texture);
      sentStage.texture = stage.texture;
    }
    if (stage.texCoordIndex != -1 && (force || sentStage.texCoordIndex != stage.texCoordIndex)) {
      ops->SetTextureStageState(i, D_D3DTSS_TEXCOORDINDEX, stage.texCoordIndex);
      sentStage.texCoordIndex = stage.texCoordIndex;
    }
    if (texturesOnly) continue;
    if (tempRegister && stage.resultToTemp != -1 &&
        (force || sentStage.resultToTemp != stage.resultToTemp)) {
      ops->SetTextureStageState(i, D_D3DTSS_RESULTARG,
                                stage.resultToTemp ? D_D3DTA_TEMP : D_D3DTA_CURRENT);
      sentStage.resultToTemp = stage.resultToTemp;
    }
    SendStageState(force, i, &sentStage.alphaOp, stage.alphaOp, D_D3DTSS_ALPHAOP);
    SendStageState(force, i, &sentStage.alphaArg1, stage.alphaArg1, D_D3DTSS_ALPHAARG1);
    SendStageState(force, i, &sentStage.alphaArg2, stage.alphaArg2, D_D3DTSS_ALPHAARG2);
    SendStageState(force, i, &sentStage.colorOp, stage.colorOp, D_D3DTSS_COLOROP);
    SendStageState(force, i, &sentStage.colorArg1, stage.colorArg1, D_D3DTSS_COLORARG1);
    SendStageState(force, i, &sentStage.colorArg2, stage.colorArg2, D_D3DTSS_COLORARG2);
  }
}

}  // namespace

const StageSetBlock& GetStageSetBlock(int s, int b, int c, int a, int l) {
  return stageSetTable.blocks[((((s * 2 + b) * 2 + c) * 2 + a) * 3) + l];
}

int ApplyDeviceBlendState(const DeviceBlendInfo* info, int handleFlag, int texturesOnly) {
  if (!GetDeviceOps()) return -1;
  DeviceStateCache& cache = GetDeviceStateCache();
  DeviceBlendInfo working;
  if (info) {
    working = *info;
    ResolveTextures(&working, handleFlag);
  } else if (cache.userBlendActive) {
    working = cache.userBlend;
    texturesOnly = cache.userTexturesOnly;
    ResolveTextures(&working, 1);
  } else {
    if (!cache.blendDirty && !cache.textureDirty && !cache.forceResend) return -1;
    if (!cache.blendDirty && !cache.forceResend) {
      // Only the drawn texture changed: one SetTexture on its stage.
      int stage = !cache.blendTexture ? 0 : cache.alphaBlendTexture == 1 ? 2 : 1;
      GetDeviceOps()->SetTexture(stage, cache.drawTexture);
      cache.sentBlend.stages[stage].texture = cache.drawTexture;
      cache.textureDirty = 0;
      return 0;
    }
    BuildFromDrawState(&working);
  }
  if (cache.alphaTestFuncOverride != -1) {
    working.alphaTestEnable = 1;
    working.alphaFunc = cache.alphaTestFuncOverride;
    working.alphaRef = cache.alphaTestRefOverride;
  }
  SendDescription(working, texturesOnly);
  return 0;
}

int SetUserDeviceBlendInfo(const DeviceBlendInfo* info, int texturesOnly) {
  DeviceStateCache& cache = GetDeviceStateCache();
  FlushVertexBatch();
  if (!info) {
    cache.userBlendActive = 0;
    return 0;
  }
  cache.userBlend = *info;
  cache.userTexturesOnly = texturesOnly;
  cache.userBlendActive = 1;
  cache.blendDirty = 1;
  cache.textureDirty = 1;
  ApplyDeviceBlendState(nullptr, 1, texturesOnly);
  return 0;
}
