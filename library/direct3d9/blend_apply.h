// The translation of the graphics core's blend mode, blend graph and image
// keys into alpha test, blend factors and texture stages, applied lazily
// when the setters have marked it dirty.
#ifndef OMBREL_DIRECT3D9_BLEND_APPLY_H
#define OMBREL_DIRECT3D9_BLEND_APPLY_H

#include "direct3d9/blend_info.h"

struct BlendModeRow {
  int destBlend;  // -1 keeps the device's factor
  int srcBlend;
  int stageSet;  // 0 plain, 1 toward white, 2 inverted colour, 3 colour x 4
  int blendOp;
};

constexpr int kBlendModeCount = 15;
extern const BlendModeRow kBlendModeTable[kBlendModeCount];

struct StageSetBlock {
  int count;
  BlendStageRecord stages[kBlendStageCount];  // the stages, then the end record
};

// The fixed stage set for stage set s, blend texture b, colour modulate c,
// alpha modulate a and alpha level l.
const StageSetBlock& GetStageSetBlock(int s, int b, int c, int a, int l);

// 0 after applying; -1 without a device, or when nothing is dirty, nothing
// forced and no description is given or active. handleFlag 1: the stage
// textures of info are GraphHandles.
int ApplyDeviceBlendState(const DeviceBlendInfo* info, int handleFlag, int texturesOnly);
int SetUserDeviceBlendInfo(const DeviceBlendInfo* info, int texturesOnly);

#endif
