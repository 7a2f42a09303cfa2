#include "direct3d9/model_system.h"

#include "direct3d9/core_inputs.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/embedded_images.h"
#include "direct3d9/model_records.h"
#include "system/tracked_memory.h"

namespace {
ModelSystemState modelState = {};
}  // namespace

bool IsModelRecord(const void* slot) { return slot && slot != kReservedModelSlot; }

namespace {

void FreeTable(ModelTable& table) {
  if (table.slots) FreeTrackedMemory(table.slots);
  table = ModelTable{};
}


}  // namespace

ModelBaseRecord* LookupModelBase(int handle) {
  if (handle < 0 || ((handle >> 27) & 0xF) != 1) return nullptr;
  int slot = handle & 0x1FFFF;
  ModelTable& table = modelState.bases;
  if (slot >= table.endIndex || !table.slots[slot]) return nullptr;
  return static_cast<ModelBaseRecord*>(table.slots[slot]);
}

ModelRecord* LookupModel(int handle, bool checkNumber) {
  if (handle < 0 || ((handle >> 27) & 0xF) != 10) return nullptr;
  int slot = handle & 0xFFFF;
  ModelTable& table = modelState.models;
  if (slot >= table.endIndex || slot >= 65536 || !table.slots[slot]) return nullptr;
  void* entry = table.slots[slot];
  if (checkNumber && IsModelRecord(entry) &&
      static_cast<ModelRecord*>(entry)->check != ((handle >> 16) & 0x7FF))
    return nullptr;
  return static_cast<ModelRecord*>(entry);
}

namespace {

void ClearSlot(ModelTable& table, int slot) {
  table.slots[slot] = nullptr;
  --table.liveCount;
}

void RemoveTextureGraph(int graph) {
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  if (hooks.removeGraph) hooks.removeGraph(graph);
}

void RestoreTexture(const void* colorBytes, int colorSize, const void* alphaBytes, int alphaSize,
                    int bumpFlag, float bumpStrength, int graph) {
  GraphImage color, alpha;
  if (LoadModelTextureImage(&color, &alpha, colorBytes, colorSize, alphaBytes, alphaSize, bumpFlag,
                            bumpStrength, 0) != 0)
    return;
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  if (hooks.updateGraphFromGraphImagePair)
    hooks.updateGraphFromGraphImagePair(&color, alphaBytes ? &alpha : nullptr, graph);
  FreeGraphImage(&color);
  FreeGraphImage(&alpha);
}

}  // namespace

ModelSystemState& GetModelSystemState() { return modelState; }

int IsModelSystemReady() { return modelState.ready; }

int InitializeModelSystem() {
  if (modelState.ready || !GetDirect3DState().hardwareActive) return 0;
  modelState.bases = ModelTable{};
  modelState.models = ModelTable{};
  modelState.ready = 1;
  return 0;
}

int TerminateModelSystem() {
  if (!modelState.ready) return 0;
  for (int slot = 0; slot < modelState.models.endIndex; ++slot) {
    void* entry = modelState.models.slots[slot];
    if (!entry) continue;
    int check = IsModelRecord(entry) ? static_cast<ModelRecord*>(entry)->check : 0;
    DeleteModel(MakeModelHandle(slot, check));
  }
  for (int slot = 0; slot < modelState.bases.endIndex; ++slot)
    if (modelState.bases.slots[slot]) DeleteModelBase(MakeModelBaseHandle(slot));
  FreeTable(modelState.bases);
  if (modelState.thirdTable) FreeTrackedMemory(modelState.thirdTable);
  modelState.thirdTable = nullptr;
  modelState.thirdCounts[0] = modelState.thirdCounts[1] = 0;
  FreeTable(modelState.models);
  modelState.ready = 0;
  return 0;
}

int RestoreModelTextures() {
  if (!GetDirect3DState().device) return 0;
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  int enabled = 0;
  int color = hooks.getGraphTransColor ? hooks.getGraphTransColor(&enabled) : 0;
  if (hooks.setGraphTransColor) hooks.setGraphTransColor(color, 0);
  if (hooks.updateGraphFromFileImage) {
    hooks.updateGraphFromFileImage(kWhiteTga, sizeof kWhiteTga, modelState.whiteGraph);
    hooks.updateGraphFromFileImage(kFourStepRampTga, sizeof kFourStepRampTga,
                                   modelState.rampGraph);
  }
  FillGradationGraph(modelState.greyRampGraph);
  if (hooks.setGraphTransColor) hooks.setGraphTransColor(color, enabled);
  for (int slot = 0; slot < modelState.bases.endIndex; ++slot) {
    void* entry = modelState.bases.slots[slot];
    if (!IsModelRecord(entry)) continue;
    ModelBaseRecord* base = static_cast<ModelBaseRecord*>(entry);
    for (int i = 0; i < base->materialCount; ++i) {
      const ModelMaterial& m = base->materials[i];
      RestoreTexture(m.colorBytes, m.colorSize, m.alphaBytes, m.alphaSize, m.bumpFlag,
                     m.bumpStrength, m.textureGraph);
    }
  }
  for (int slot = 0; slot < modelState.models.endIndex; ++slot) {
    void* entry = modelState.models.slots[slot];
    if (!IsModelRecord(entry)) continue;
    ModelRecord* model = static_cast<ModelRecord*>(entry);
    for (int i = 0; i < model->materialCount; ++i) {
      const ModelMaterialInstance& m = model->materials[i];
      if (m.ownTexture)
        RestoreTexture(m.colorBytes, m.colorSize, m.alphaBytes, m.alphaSize, m.bumpFlag,
                       m.bumpStrength, m.textureGraph);
    }
  }
  return 0;
}

namespace {

// The model's own blocks (frame -1) or a frame's, or null for a frame
// outside the base.
ModelFrameBlocks* FrameBlocks(ModelRecord* record, int frame) {
  if (frame == -1) return &record->ownBlocks;
  const int frames = record->base ? record->base->frameCount : 0;
  if (frame < 0 || frame >= frames || !record->frameBlocks) return nullptr;
  return &record->frameBlocks[frame];
}

ModelRecord* LiveModel(int model) {
  ModelRecord* record = LookupModel(model, true);
  return IsModelRecord(record) ? record : nullptr;
}

}  // namespace

int ReleaseModelAttachment(int model, int index) {
  if (!IsModelSystemReady()) return -1;
  ModelRecord* record = LiveModel(model);
  if (!record || index < 0 || index >= record->attachmentCount) return -1;
  ModelAttachment& attachment = record->attachments[index];
  if (attachment.inUse) {
    if (attachment.data) FreeTrackedMemory(attachment.data);
    attachment.data = nullptr;
    attachment.inUse = 0;
    const int frames = record->base ? record->base->frameCount : 0;
    for (int f = 0; f < frames && record->frameAttachmentStates; ++f) {
      if (!record->frameAttachmentStates[f]) continue;
      record->frameAttachmentStates[f][index] = ModelAttachmentState{};
    }
    --record->attachmentsInUse;
  }
  record->updateBytes[0] = record->updateBytes[1] = 0;
  return 0;
}

int FreeModelFrameChain(int model, int frame) {
  ModelRecord* record = LiveModel(model);
  if (!record) return -1;
  ModelFrameBlocks* blocks = FrameBlocks(record, frame);
  if (!blocks) return -1;
  ModelChainNode* head = blocks->chain;
  blocks->chain = nullptr;
  if (head) {
    // The head record names the first node; each node names the next.
    for (ModelChainNode* node = head->next; node;) {
      ModelChainNode* next = node->next;
      FreeTrackedMemory(node);
      node = next;
    }
    FreeTrackedMemory(head);
  }
  return 0;
}

int FreeModelFrameTables(int model, int frame, int which) {
  ModelRecord* record = LiveModel(model);
  if (!record) return -1;
  ModelFrameBlocks* blocks = FrameBlocks(record, frame);
  if (!blocks) return -1;
  void*& table = blocks->tables[which ? 1 : 0];
  if (table) FreeTrackedMemory(table);
  table = nullptr;
  return 0;
}

int DeleteModel(int model) {
  ModelRecord* record = LookupModel(model, true);
  if (!record) return -1;
  int slot = model & 0xFFFF;
  if (record == kReservedModelSlot) {
    ClearSlot(modelState.models, slot);
    return 0;
  }
  for (int i = 0; i < record->attachmentCount; ++i) ReleaseModelAttachment(model, i);
  ReleaseModelMeshBuffers(model);
  if (record->attachments) FreeTrackedMemory(record->attachments);
  record->attachments = nullptr;
  record->attachmentCount = 0;
  const int frames = record->base ? record->base->frameCount : 0;
  FreeModelFrameTables(model, -1, 0);
  FreeModelFrameTables(model, -1, 1);
  for (int f = 0; f < frames; ++f) {
    FreeModelFrameTables(model, f, 0);
    FreeModelFrameTables(model, f, 1);
  }
  FreeModelFrameChain(model, -1);
  for (int f = 0; f < frames; ++f) FreeModelFrameChain(model, f);
  if (record->frameAttachmentStates) {
    for (int f = 0; f < frames; ++f)
      if (record->frameAttachmentStates[f]) FreeTrackedMemory(record->frameAttachmentStates[f]);
    FreeTrackedMemory(record->frameAttachmentStates);
  }
  if (record->frameBlocks) FreeTrackedMemory(record->frameBlocks);
  for (int i = 0; i < record->materialCount; ++i) {
    ModelMaterialInstance& m = record->materials[i];
    if (!m.ownTexture) continue;
    if (m.alphaBytes) FreeTrackedMemory(m.alphaBytes);
    if (m.colorBytes) FreeTrackedMemory(m.colorBytes);
    m.alphaBytes = m.colorBytes = nullptr;
    RemoveTextureGraph(m.textureGraph);
    m.textureGraph = -1;
    m.ownTexture = 0;
  }
  if (record->ownsMaterials && record->materials) FreeTrackedMemory(record->materials);
  if (ModelBaseRecord* base = record->base) {
    if (record->previous) record->previous->next = record->next;
    if (record->next) record->next->previous = record->previous;
    if (base->firstModel == record) base->firstModel = record->next;
    if (base->lastModel == record) base->lastModel = record->previous;
    --base->modelCount;
  }
  int baseHandle = record->baseHandle;
  DeleteModelBase(baseHandle);
  FreeTrackedMemory(record);
  ClearSlot(modelState.models, slot);
  return 0;
}

int DeleteModelBase(int base) {
  ModelBaseRecord* record = LookupModelBase(base);
  if (!record) return -1;
  int slot = base & 0x1FFFF;
  if (record == kReservedModelSlot) {
    ClearSlot(modelState.bases, slot);
    return 0;
  }
  if (--record->refCount > 0) return 0;
  ReleaseModelBaseBuffers(base);
  for (int i = 0; i < record->materialCount; ++i) {
    ModelMaterial& m = record->materials[i];
    if (m.alphaBytes) FreeTrackedMemory(m.alphaBytes);
    if (m.colorBytes) FreeTrackedMemory(m.colorBytes);
    RemoveTextureGraph(m.textureGraph);
  }
  if (record->ownsMaterials && record->materials) FreeTrackedMemory(record->materials);
  FreeTrackedMemory(record);
  ClearSlot(modelState.bases, slot);
  return 0;
}
