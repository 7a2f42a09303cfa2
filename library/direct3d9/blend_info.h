// DeviceBlendInfo: how a draw is combined with the target, as alpha test,
// blend factors and up to eight fixed-function texture stages.
#ifndef OMBREL_DIRECT3D9_BLEND_INFO_H
#define OMBREL_DIRECT3D9_BLEND_INFO_H

#include <stdint.h>

constexpr int kBlendStageCount = 8;

// -1 in a field leaves that device state alone.
struct BlendStageRecord {
  void* texture;  // or a GraphHandle when the caller says so
  int32_t texCoordIndex;
  int32_t resultToTemp;
  int16_t alphaArg1;
  int16_t alphaArg2;
  int16_t alphaOp;
  int16_t colorArg1;
  int16_t colorArg2;
  int16_t colorOp;
};

struct DeviceBlendInfo {
  int32_t alphaTestEnable;
  int32_t alphaRef;
  int32_t alphaFunc;
  int32_t alphaBlendEnable;
  uint32_t textureFactor;
  int32_t srcBlend;
  int32_t destBlend;
  int32_t blendOp;
  int32_t stageCount;
  BlendStageRecord stages[kBlendStageCount];
};

#endif
