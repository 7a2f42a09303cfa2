#include <windows.h>
#include <d3d9.h>

#include "direct3d9/direct3d_state.h"
#include "direct3d9/model_buffers.h"
#include "direct3d9/model_records.h"
#include "direct3d9/model_system.h"

namespace {

void ReleaseBuffer(IUnknown* buffer) { buffer->Release(); }

bool MakesBuffers(int skinType, int normalLayout) {
  return (skinType == 0 && normalLayout == 0) || GetDirect3DState().shadersInUse;
}

// Creates and locks both buffers of a group; false when either is refused.
bool BuildGroupBuffers(ModelBufferGroup* group) {
  auto* vertexBuffer = CreateDeviceVertexBuffer(group->vertexCount * group->stride,
                                                D3DUSAGE_WRITEONLY, group->fvf, D3DPOOL_DEFAULT);
  group->vertexBuffer = vertexBuffer;
  void* locked = nullptr;
  if (!vertexBuffer || FAILED(vertexBuffer->Lock(0, 0, &locked, 0))) return false;
  group->lockedVertices = static_cast<uint8_t*>(locked);
  auto* indexBuffer = CreateDeviceIndexBuffer(group->indexCount * 2, D3DUSAGE_WRITEONLY,
                                              D3DFMT_INDEX16, D3DPOOL_DEFAULT);
  group->indexBuffer = indexBuffer;
  if (!indexBuffer || FAILED(indexBuffer->Lock(0, 0, &locked, 0))) return false;
  group->lockedIndices = static_cast<uint8_t*>(locked);
  return true;
}

void UnlockGroup(ModelBufferGroup* group) {
  if (group->lockedVertices) static_cast<IDirect3DVertexBuffer9*>(group->vertexBuffer)->Unlock();
  if (group->lockedIndices) static_cast<IDirect3DIndexBuffer9*>(group->indexBuffer)->Unlock();
  group->lockedVertices = group->lockedIndices = nullptr;
}

template <typename Visit>
void ForEachModelOf(const ModelBaseRecord* base, Visit visit) {
  ModelTable& models = GetModelSystemState().models;
  for (int slot = 0; slot < models.endIndex; ++slot) {
    void* entry = models.slots[slot];
    if (!IsModelRecord(entry)) continue;
    auto* model = static_cast<ModelRecord*>(entry);
    if (model->base == base) visit(MakeModelHandle(slot, model->check));
  }
}

}  // namespace

IDirect3DVertexBuffer9* CreateDeviceVertexBuffer(unsigned length, unsigned long usage,
                                                 unsigned long fvf, int pool) {
  IDirect3DDevice9* device = GetDirect3DState().device;
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (!device || FAILED(device->CreateVertexBuffer(length, usage, fvf, static_cast<D3DPOOL>(pool), &buffer,
                                              nullptr)))
    return nullptr;
  return buffer;
}

IDirect3DIndexBuffer9* CreateDeviceIndexBuffer(unsigned length, unsigned long usage, int format,
                                               int pool) {
  IDirect3DDevice9* device = GetDirect3DState().device;
  IDirect3DIndexBuffer9* buffer = nullptr;
  if (!device || FAILED(device->CreateIndexBuffer(length, usage, static_cast<D3DFORMAT>(format),
                                             static_cast<D3DPOOL>(pool), &buffer, nullptr)))
    return nullptr;
  return buffer;
}

int SetupModelBaseBuffers(int base, int flag) {
  Direct3DState& state = GetDirect3DState();
  if (!state.hardwareActive || !state.mixedVertexProcessing) return 0;
  ModelBaseRecord* record = LookupModelBase(base);
  if (!IsModelRecord(record)) return -1;
  if (record->buffersBuilt) return 0;
  record->buffersFlag = flag;
  FreeModelBufferGroups(record, ReleaseBuffer);
  bool failed = GroupModelMeshParts(record) != 0;
  for (int skin = 0; skin < 3 && !failed; ++skin)
    for (int layout = 0; layout < 2 && !failed; ++layout)
      for (int sets = 0; sets < 9 && !failed; ++sets) {
        if (!MakesBuffers(skin, layout)) continue;
        int key = ModelLayoutKey(sets, layout, skin);
        for (ModelBufferGroup* g = record->firstGroups[key]; g && !failed; g = g->next) {
          g->fvf = ModelVertexFvf(skin, layout, sets);
          g->stride = ModelVertexStride(skin, layout, sets);
          failed = !BuildGroupBuffers(g);
        }
      }
  if (failed) {
    for (int key = 0; key < kModelLayoutKeys; ++key)
      for (ModelBufferGroup* g = record->firstGroups[key]; g; g = g->next) UnlockGroup(g);
    FreeModelBufferGroups(record, ReleaseBuffer);
    return -1;
  }
  for (int i = 0; i < record->partCount; ++i) {
    const ModelMeshPart& part = record->parts[i];
    if (part.group && part.group->lockedVertices && part.group->lockedIndices)
      FillModelMeshPart(part);
  }
  // Groups of layouts this device cannot draw are dropped with their parts.
  for (int key = 0; key < kModelLayoutKeys; ++key) {
    ModelBufferGroup* g = record->firstGroups[key];
    while (g) {
      ModelBufferGroup* next = g->next;
      if (g->vertexBuffer && g->indexBuffer) {
        UnlockGroup(g);
      } else {
        if (g->vertexBuffer) g->vertexBuffer->Release();
        if (g->indexBuffer) g->indexBuffer->Release();
        RemoveModelBufferGroup(record, key, g);
      }
      g = next;
    }
  }
  record->buffersBuilt = 1;
  ForEachModelOf(record, [](int model) { SetupModelVertexBuffers(model); });
  return 0;
}

int SetupModelVertexBuffers(int model) {
  if (!IsModelSystemReady()) return -1;
  ModelRecord* record = LookupModel(model, true);
  if (!IsModelRecord(record) || !record->base) return -1;
  Direct3DState& state = GetDirect3DState();
  bool hardware = state.hardwareActive && state.mixedVertexProcessing;
  if (!hardware && !state.shadersInUse) return 0;
  const ModelBaseRecord* base = record->base;
  if (!record->partBuffers) return 0;
  for (int i = 0; i < base->partCount; ++i) {
    const ModelMeshPart& part = base->parts[i];
    // Only parts of drawn meshes in drawn frames are drawn from their own buffers.
    if (!part.mesh || !part.mesh->drawByte || !part.mesh->frame || !part.mesh->frame->drawFlag)
      continue;
    bool qualifies = part.skinType == 0 ? hardware : state.shadersInUse != 0;
    if (!qualifies || record->partBuffers[i] || !part.group) continue;
    record->partBuffers[i] =
        CreateDeviceVertexBuffer(part.group->stride * part.vertexCount,
                                 D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, part.group->fvf,
                                 D3DPOOL_DEFAULT);
    record->updateBytes[0] = 1;
  }
  return 0;
}

int ReleaseModelMeshBuffers(int model) {
  // Only the slot is read: callers pass handles of occupied slots.
  ModelTable& models = GetModelSystemState().models;
  int slot = model & 0xFFFF;
  if (model < 0 || ((model >> 27) & 0xF) != 10 || slot >= models.endIndex) return -1;
  void* entry = models.slots[slot];
  if (!entry) return -1;
  if (!IsModelRecord(entry)) return 0;
  auto* record = static_cast<ModelRecord*>(entry);
  if (!record->partBuffers || !record->base) return 0;
  for (int i = 0; i < record->base->partCount; ++i) {
    if (record->partBuffers[i]) record->partBuffers[i]->Release();
    record->partBuffers[i] = nullptr;
  }
  return 0;
}

int ReleaseModelBaseBuffers(int base) {
  ModelBaseRecord* record = LookupModelBase(base);
  if (!record) return -1;
  if (!IsModelRecord(record) || !record->buffersBuilt) return 0;
  FreeModelBufferGroups(record, ReleaseBuffer);
  record->buffersBuilt = 0;
  ForEachModelOf(record, [](int model) { ReleaseModelMeshBuffers(model); });
  return 0;
}

int ReleaseModelBuffers() {
  ModelSystemState& models = GetModelSystemState();
  for (int slot = 0; slot < models.bases.endIndex; ++slot)
    if (IsModelRecord(models.bases.slots[slot]))
      ReleaseModelBaseBuffers(MakeModelBaseHandle(slot));
  for (int slot = 0; slot < models.models.endIndex; ++slot) {
    void* entry = models.models.slots[slot];
    if (IsModelRecord(entry))
      ReleaseModelMeshBuffers(MakeModelHandle(slot, static_cast<ModelRecord*>(entry)->check));
  }
  return 0;
}

int RestoreModelBuffers() {
  ModelSystemState& models = GetModelSystemState();
  for (int slot = 0; slot < models.bases.endIndex; ++slot)
    if (models.bases.slots[slot]) SetupModelBaseBuffers(MakeModelBaseHandle(slot), 1);
  return 0;
}
