// The table of lights and the material of the fixed-function 3D state. The
// lights get device light slots only when a hardware draw asks for them
// (ApplyLightHandles), directional lights first.
#ifndef OMBREL_GRAPHICS_LIGHT_TABLE_H
#define OMBREL_GRAPHICS_LIGHT_TABLE_H

#include "direct3d9/d3d_types.h"

constexpr int kLightCapacity = 4096;

enum LightType : int {
  kLightPoint = 1,
  kLightSpot = 2,
  kLightDirectional = 3,
};

struct LightRecord {
  int check;
  int handle;
  D_D3DLIGHT9 light;
  int deviceSlot;  // -1 none
  int enabled;
  int changed;
};

struct LightTable {
  int lightingOff;  // the device's lighting switch is its negation
  int materialChanged;
  D_D3DMATERIAL9 material;
  LightRecord* records[kLightCapacity];
  int liveCount;
  int endIndex;  // one past the highest slot filled since it last shrank
  int checkCounter;
  int enabledCount;  // of the last ApplyLightHandles pass
  int highestSlot;   // -1 none
  int lightsChanged;
  int force;         // every light is sent again at the next pass
  int defaultLight;  // -1 none
};

LightTable& GetLightTable();
// The live record behind a light handle, or null.
LightRecord* GetLightRecord(int handle);

// The material and lighting defaults of a graphics start-up, and the default
// light (the table itself survives the reset).
void ResetLightingDefaults();
int SendLightToDeviceSlot(int slot, int enable, const D_D3DLIGHT9* light);
// Frees every light and the default light (graphics shut-down).
void FreeAllLights();
// Every light goes to the device again at the next pass.
void ForceLightsResend();

#endif
