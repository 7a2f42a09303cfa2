// The layout of model mesh parts in shared device buffers: one chain of
// buffer groups per vertex layout, and the vertex formats each layout is
// written in.
#ifndef OMBREL_DIRECT3D9_MODEL_BUFFERS_H
#define OMBREL_DIRECT3D9_MODEL_BUFFERS_H

#include <stdint.h>

#include "direct3d9/model_records.h"

// A group holds fewer indices and vertices than these.
constexpr int kModelGroupIndexLimit = 0xC0000;
constexpr int kModelGroupVertexLimit = 0x60000;

// texture sets + 9 x (normal layout + 2 x skin type).
int ModelLayoutKey(int textureSets, int normalLayout, int skinType);
int ModelVertexStride(int skinType, int normalLayout, int textureSets);
// The FVF of skin type 0, normal layout 0; 0 for the declaration layouts.
uint32_t ModelVertexFvf(int skinType, int normalLayout, int textureSets);

// Places every part in a group of its layout (allocating the groups),
// starting a new group where one would reach a limit, and drops trailing
// groups without indices. -1 when a group cannot be allocated.
int GroupModelMeshParts(ModelBaseRecord* base);
// Writes a part's vertices into its group's locked vertices and its index
// lists into the group's locked indices.
void FillModelMeshPart(const ModelMeshPart& part);
// Unlinks a group from its key's chain, clears the parts that name it and
// frees it; its buffers must be released already.
void RemoveModelBufferGroup(ModelBaseRecord* base, int key, ModelBufferGroup* group);
// Frees every group (buffers released through release) and clears the lists.
void FreeModelBufferGroups(ModelBaseRecord* base, void (*release)(IUnknown*));

#endif
