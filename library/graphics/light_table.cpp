#include "graphics/light_table.h"

#include <cmath>

#include "Ombrel.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "graphics/device_core_link.h"
#include "system/handle_table.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kLightHandleTag = 0x4800;  // the kind in bits 11-14 of the upper half
constexpr int kLightCheckLimit = 2048;

LightTable lightTable = {};

int MakeLightHandle(int index, int check) { return index | ((check | kLightHandleTag) << 16); }

void FillLightDefaults(D_D3DLIGHT9* light) {
  *light = D_D3DLIGHT9{};
  light->Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  light->Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  light->Ambient = {0.33f, 0.33f, 0.33f, 0.33f};
  light->Range = 2000.0f;
  light->Falloff = 1.0f;
  light->Attenuation0 = 0.1f;
  light->Theta = 2.0f;
  light->Phi = 2.0f;
}

}  // namespace

LightTable& GetLightTable() { return lightTable; }

LightRecord* GetLightRecord(int handle) {
  if (handle < 0 || HandleKindOf(handle) != kHandleKindLight) return nullptr;
  const int index = HandleSlot(handle);
  if (index >= kLightCapacity) return nullptr;
  LightRecord* record = lightTable.records[index];
  if (!record || record->check != HandleCheck(handle)) return nullptr;
  return record;
}

int AllocLightHandle() {
  int slot = lightTable.endIndex;
  if (slot == kLightCapacity) {
    slot = 0;
    while (slot < kLightCapacity && lightTable.records[slot]) ++slot;
    // Every light is live: the table has no room for one more.
    if (slot == kLightCapacity) return -1;
  }
  auto* record = static_cast<LightRecord*>(TRACKED_ALLOC_ZEROED(sizeof(LightRecord)));
  if (!record) ExitWithError("ライト用のメモリの確保に失敗しました");
  FillLightDefaults(&record->light);
  record->deviceSlot = -1;
  record->check = lightTable.checkCounter;
  lightTable.checkCounter = (lightTable.checkCounter + 1) % kLightCheckLimit;
  record->handle = MakeLightHandle(slot, record->check);
  lightTable.records[slot] = record;
  ++lightTable.liveCount;
  if (slot == lightTable.endIndex) ++lightTable.endIndex;
  record->enabled = 1;
  record->changed = 1;
  lightTable.lightsChanged = 1;
  SyncDeviceCoreLights();
  return record->handle;
}

int MakeDirectionalLight(float x, float y, float z) {
  const int handle = AllocLightHandle();
  LightRecord* record = GetLightRecord(handle);
  if (!record) return -1;
  record->light.Type = kLightDirectional;
  Vector3 direction;
  MakeUnitVector(&direction, x, y, z);
  record->light.Direction = {direction.x, direction.y, direction.z};
  return handle;
}

int FreeLightHandle(int handle) {
  LightRecord* record = GetLightRecord(handle);
  if (!record) return -1;
  const int index = HandleSlot(handle);
  if (record->deviceSlot != -1) lightTable.lightsChanged = 1;
  --lightTable.liveCount;
  lightTable.records[index] = nullptr;
  if (index == lightTable.endIndex - 1) {
    if (lightTable.liveCount == 0) {
      lightTable.endIndex = 0;
    } else {
      int end = index;
      while (end > 0 && !lightTable.records[end - 1]) --end;
      lightTable.endIndex = end;
    }
  }
  FreeTrackedMemory(record);
  lightTable.lightsChanged = 1;
  SyncDeviceCoreLights();
  return 0;
}

int FreeLightHandlesButDefault() {
  for (int slot = 0; slot < lightTable.endIndex; ++slot) {
    const LightRecord* record = lightTable.records[slot];
    if (record && record->handle != lightTable.defaultLight) FreeLightHandle(record->handle);
  }
  return 0;
}

void FreeAllLights() {
  FreeLightHandlesButDefault();
  FreeLightHandle(lightTable.defaultLight);
  lightTable.defaultLight = -1;
}

void ForceLightsResend() {
  lightTable.force = 1;
  SyncDeviceCoreLights();
}

void ResetLightingDefaults() {
  lightTable.lightingOff = 0;
  lightTable.materialChanged = 1;
  D_D3DMATERIAL9& material = lightTable.material;
  material = D_D3DMATERIAL9{};
  material.Diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
  material.Specular = {0.8f, 0.8f, 0.8f, 0.0f};
  material.Power = 20.0f;
  // A start-up without a shut-down before it must not leave a second one.
  if (GetLightRecord(lightTable.defaultLight)) FreeLightHandle(lightTable.defaultLight);
  lightTable.defaultLight = MakeDirectionalLight(1.0f, -1.0f, 1.0f);
  SyncDeviceCoreLights();
}

int SendLightToDeviceSlot(int slot, int enable, const D_D3DLIGHT9* light) {
  if (!GetDeviceOps()) return 0;
  if (enable == 1) SetDeviceLight(slot, light);
  EnableDeviceLight(slot, enable);
  return 0;
}

int ApplyLightHandles() {
  SetDeviceLighting(lightTable.lightingOff == 0 ? 1 : 0);
  if (!lightTable.lightsChanged && !lightTable.force) return 0;
  const int previousHighest = lightTable.highestSlot;
  lightTable.enabledCount = 0;
  lightTable.highestSlot = -1;
  static constexpr int kTypeOrder[3] = {kLightDirectional, kLightSpot, kLightPoint};
  for (int type : kTypeOrder) {
    int seen = 0;
    for (int slot = 0; slot < lightTable.endIndex && seen < lightTable.liveCount; ++slot) {
      LightRecord* record = lightTable.records[slot];
      if (!record) continue;
      ++seen;
      if (!record->enabled || record->light.Type != type) continue;
      const int deviceSlot = lightTable.enabledCount;
      if (deviceSlot != record->deviceSlot || record->changed || lightTable.force) {
        record->deviceSlot = deviceSlot;
        record->changed = 0;
        SendLightToDeviceSlot(deviceSlot, 1, &record->light);
      }
      lightTable.highestSlot = deviceSlot;
      ++lightTable.enabledCount;
    }
  }
  for (int slot = lightTable.highestSlot + 1; slot <= previousHighest; ++slot) {
    SendLightToDeviceSlot(slot, 0, nullptr);
  }
  lightTable.lightsChanged = 0;
  lightTable.force = 0;
  SyncDeviceCoreLights();
  return 0;
}
