// The batch of pre-transformed vertices that 2D draws append to and one
// DrawPrimitiveUP sends, the scene bracket around it, and the formats of
// each vertex kind and type.
#ifndef OMBREL_DIRECT3D9_VERTEX_BATCH_H
#define OMBREL_DIRECT3D9_VERTEX_BATCH_H

#include <stdint.h>

struct BatchVertexFormat {
  int capacity;  // vertices
  uint32_t fvf;
  int stride;  // bytes
};

// [kind][type]: kind 0 pre-transformed 2D, kind 1 untransformed 3D; type 0
// untextured, 1 one texture, 2 a texture with a blend texture.
extern const BatchVertexFormat kBatchVertexFormats[2][3];

// Draws and empties the pending vertices; -1 without a device.
int FlushVertexBatch();
void BeginDeviceScene();
int EndDeviceScene();

// Sets up the arrays with their fixed words (z 0, rhw 1, specular white) and
// an empty batch of kind 0, type 1.
void InitializeVertexBatch();

// The append step: makes room for count vertices of the primitive type,
// drawing the pending ones first when the kind or primitive changes or the
// array is full, and returns where the caller writes them. The caller then
// calls CommitBatchVertices.
uint8_t* AppendBatchVertices(int primitiveType, int count);
void CommitBatchVertices(int count);

// The number of primitives that n vertices of the type make.
int CountPrimitives(int primitiveType, int vertexCount);

#endif
