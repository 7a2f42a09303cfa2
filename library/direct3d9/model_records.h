// The records of model bases and models, in the shape the model operations
// read; a model loader fills them.
#ifndef OMBREL_DIRECT3D9_MODEL_RECORDS_H
#define OMBREL_DIRECT3D9_MODEL_RECORDS_H

#include <stdint.h>

struct ModelRecord;
struct IUnknown;

struct ModelMaterial {
  void* alphaBytes;  // tracked block or null
  int alphaSize;
  void* colorBytes;
  int colorSize;
  int bumpFlag;
  float bumpStrength;
  int textureGraph;
};

struct ModelMaterialInstance {
  void* alphaBytes;
  int alphaSize;
  void* colorBytes;
  int colorSize;
  int bumpFlag;
  float bumpStrength;
  int ownTexture;  // 1 when the model replaced the base's texture
  int textureGraph;
};

// One vertex of a mesh: the index into its frame's normal table, the two
// colours, then one (u, v) pair per texture set.
struct ModelFrame {
  const float (*normals)[9];  // normal, second vector, third vector
};

struct ModelMesh {
  const ModelFrame* frame;
  int normalLayout;  // 0 normal only, 1 three vectors
  int textureSets;   // 0 to 8
  int vertexStride;
  const uint8_t* vertices;
};

struct ModelBufferGroup {
  IUnknown* vertexBuffer;
  IUnknown* indexBuffer;
  int vertexCount;
  int indexCount;
  uint8_t* lockedVertices;
  uint8_t* lockedIndices;
  uint32_t fvf;  // 0 when a vertex declaration is meant
  int stride;
  ModelBufferGroup* next;
  ModelBufferGroup* previous;
};

struct ModelMeshPart {
  const ModelMesh* mesh;
  uint16_t skinType;  // 0 none, 1 four weights, 2 eight weights; others are left out
  int vertexCount;
  const int32_t* vertexIndices;  // mesh vertex of each part vertex
  const uint8_t* skinRecords;    // one per vertex, from a 16-byte boundary
  uint16_t firstIndexCount;
  const uint16_t* firstIndices;
  uint16_t secondIndexCount;
  const uint16_t* secondIndices;
  ModelBufferGroup* group;
  int startVertex;
  int startIndex;
};

constexpr int kModelLayoutKeys = 54;

struct ModelBaseRecord {
  int refCount;
  int partCount;
  ModelMeshPart* parts;
  int groupCounts[kModelLayoutKeys];
  ModelBufferGroup* firstGroups[kModelLayoutKeys];
  ModelBufferGroup* lastGroups[kModelLayoutKeys];
  int groupTotal;
  int materialCount;
  ModelMaterial* materials;
  int ownsMaterials;
  ModelRecord* firstModel;
  ModelRecord* lastModel;
  int modelCount;
  int buffersBuilt;
  int buffersFlag;
};

struct ModelRecord {
  int check;
  int baseHandle;
  ModelBaseRecord* base;
  ModelRecord* next;
  ModelRecord* previous;
  int materialCount;
  ModelMaterialInstance* materials;
  int ownsMaterials;
  int updateBytes[2];
  // One dynamic vertex buffer per mesh part of the base, or null.
  IUnknown** partBuffers;
};

// A slot may hold this placeholder: occupied, but no record to read.
inline void* const kReservedModelSlot = reinterpret_cast<void*>(1);

struct ModelTable {
  void** slots;
  int endIndex;
  int capacity;
  int liveCount;
};

struct ModelSystemState {
  uint8_t ready;
  ModelTable bases;
  ModelTable models;
  void* thirdTable;
  int thirdCounts[2];
  int whiteGraph;
  int rampGraph;
  int greyRampGraph;
};

constexpr int MakeModelBaseHandle(int slot) { return slot | (1 << 27); }
constexpr int MakeModelHandle(int slot, int check) { return slot | ((check | 0x5000) << 16); }

int DeleteModel(int model);
int DeleteModelBase(int base);
int ReleaseModelBaseBuffers(int base);
int ReleaseModelMeshBuffers(int model);

struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
// One creation call each; the new buffer, or null (also without a device).
IDirect3DVertexBuffer9* CreateDeviceVertexBuffer(unsigned length, unsigned long usage,
                                                 unsigned long fvf, int pool);
IDirect3DIndexBuffer9* CreateDeviceIndexBuffer(unsigned length, unsigned long usage, int format,
                                               int pool);

#endif
