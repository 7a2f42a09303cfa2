#include "direct3d9/model_buffers.h"

#include <string.h>

#include "system/tracked_memory.h"

namespace {

// Blend-index bytes go to the device as palette offsets of three registers.
void PutBlendIndices(uint8_t*& out, const uint8_t* source) {
  for (int i = 0; i < 4; ++i) *out++ = static_cast<uint8_t>(source[i] * 3);
}

void PutBytes(uint8_t*& out, const void* source, size_t size) {
  memcpy(out, source, size);
  out += size;
}

int PartKey(const ModelMeshPart& part) {
  return ModelLayoutKey(part.mesh->textureSets, part.mesh->normalLayout, part.skinType);
}

ModelBufferGroup* NewGroup(ModelBaseRecord* base, int key) {
  auto* group = static_cast<ModelBufferGroup*>(TRACKED_ALLOC_ZEROED(sizeof(ModelBufferGroup)));
  if (!group) return nullptr;
  group->previous = base->lastGroups[key];
  if (group->previous) group->previous->next = group;
  if (!base->firstGroups[key]) base->firstGroups[key] = group;
  base->lastGroups[key] = group;
  ++base->groupCounts[key];
  ++base->groupTotal;
  return group;
}

}  // namespace

int ModelLayoutKey(int textureSets, int normalLayout, int skinType) {
  return textureSets + 9 * (normalLayout + 2 * skinType);
}

int ModelVertexStride(int skinType, int normalLayout, int textureSets) {
  static const int kBase[3][2] = {{64, 56}, {52, 76}, {72, 96}};
  return kBase[skinType][normalLayout] + 16 * textureSets;
}

uint32_t ModelVertexFvf(int skinType, int normalLayout, int textureSets) {
  if (skinType != 0 || normalLayout != 0) return 0;
  // Position, normal, both colours, then k sets of four floats.
  uint32_t fvf = 0xD2 | static_cast<uint32_t>(textureSets) << 8;
  for (int j = 0; j < textureSets; ++j) fvf |= 2u << (16 + 2 * j);
  return fvf;
}

int GroupModelMeshParts(ModelBaseRecord* base) {
  ModelBufferGroup* current[kModelLayoutKeys] = {};
  for (int i = 0; i < base->partCount; ++i) {
    ModelMeshPart& part = base->parts[i];
    if (part.skinType > 2) continue;
    int key = PartKey(part);
    int indices = part.firstIndexCount + part.secondIndexCount;
    ModelBufferGroup* group = current[key];
    if (group && (group->indexCount + indices >= kModelGroupIndexLimit ||
                  group->vertexCount + part.vertexCount >= kModelGroupVertexLimit))
      group = nullptr;
    if (!group) {
      group = NewGroup(base, key);
      if (!group) return -1;
      current[key] = group;
    }
    part.group = group;
    part.startVertex = group->vertexCount;
    part.startIndex = group->indexCount;
    group->vertexCount += part.vertexCount;
    group->indexCount += indices;
  }
  for (int key = 0; key < kModelLayoutKeys; ++key) {
    ModelBufferGroup* last = base->lastGroups[key];
    if (last && last->indexCount == 0) RemoveModelBufferGroup(base, key, last);
  }
  return 0;
}

void FillModelMeshPart(const ModelMeshPart& part) {
  const ModelBufferGroup* group = part.group;
  const ModelMesh& mesh = *part.mesh;
  int skin = part.skinType, layout = mesh.normalLayout, sets = mesh.textureSets;
  // Skin records start on a 16-byte boundary.
  uintptr_t skinAddress = (reinterpret_cast<uintptr_t>(part.skinRecords) + 15) & ~uintptr_t{15};
  const uint8_t* skinRecords = reinterpret_cast<const uint8_t*>(skinAddress);
  const int skinSize = skin == 0 ? 12 : skin == 1 ? 32 : 52;
  for (int i = 0; i < part.vertexCount; ++i) {
    const uint8_t* source = mesh.vertices + part.vertexIndices[i] * mesh.vertexStride;
    int32_t normalIndex;
    memcpy(&normalIndex, source, 4);
    const float* vectors = mesh.frame->normals[normalIndex];
    const uint8_t* record = skinRecords + i * skinSize;
    uint8_t* out = group->lockedVertices + (part.startVertex + i) * group->stride;
    if (skin == 0) {
      PutBytes(out, record, 12);
    } else if (skin == 1) {
      PutBytes(out, record + 16, 12);      // position
      PutBlendIndices(out, record + 28);   // indices
      PutBytes(out, record, 16);           // four weights
    } else {
      PutBytes(out, record + 36, 12);      // position
      PutBlendIndices(out, record + 32);   // first indices
      PutBlendIndices(out, record + 48);   // second indices
      PutBytes(out, record, 32);           // eight weights
    }
    if (layout == 0) {
      PutBytes(out, vectors, 12);
    } else {
      PutBytes(out, vectors + 3, 24);  // second and third vector
      PutBytes(out, vectors, 12);      // then the normal
    }
    PutBytes(out, source + 4, 8);  // diffuse, specular
    for (int j = 0; j < sets; ++j) {
      const float* uv = reinterpret_cast<const float*>(source + 12 + 8 * j);
      const float set[4] = {uv[0], uv[1], 1.0f, 1.0f};
      PutBytes(out, set, 16);
    }
  }
  uint8_t* indices = group->lockedIndices + part.startIndex * 2;
  memcpy(indices, part.firstIndices, part.firstIndexCount * 2u);
  memcpy(indices + part.firstIndexCount * 2, part.secondIndices, part.secondIndexCount * 2u);
}

void RemoveModelBufferGroup(ModelBaseRecord* base, int key, ModelBufferGroup* group) {
  if (group->previous) group->previous->next = group->next;
  if (group->next) group->next->previous = group->previous;
  if (base->firstGroups[key] == group) base->firstGroups[key] = group->next;
  if (base->lastGroups[key] == group) base->lastGroups[key] = group->previous;
  for (int i = 0; i < base->partCount; ++i)
    if (base->parts[i].group == group) base->parts[i].group = nullptr;
  --base->groupCounts[key];
  --base->groupTotal;
  FreeTrackedMemory(group);
}

void FreeModelBufferGroups(ModelBaseRecord* base, void (*release)(IUnknown*)) {
  for (int key = 0; key < kModelLayoutKeys; ++key) {
    ModelBufferGroup* group = base->firstGroups[key];
    while (group) {
      ModelBufferGroup* next = group->next;
      if (group->vertexBuffer) release(group->vertexBuffer);
      if (group->indexBuffer) release(group->indexBuffer);
      FreeTrackedMemory(group);
      group = next;
    }
    base->firstGroups[key] = base->lastGroups[key] = nullptr;
    base->groupCounts[key] = 0;
  }
  base->groupTotal = 0;
  for (int i = 0; i < base->partCount; ++i) {
    base->parts[i].group = nullptr;
    base->parts[i].startVertex = base->parts[i].startIndex = 0;
  }
}
