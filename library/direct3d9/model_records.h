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
  uint8_t drawFlag;           // the frame's meshes are drawn
};

struct ModelMesh {
  const ModelFrame* frame;
  int normalLayout;  // 0 normal only, 1 three vectors
  int textureSets;   // 0 to 8
  int vertexStride;
  const uint8_t* vertices;
  uint8_t drawByte;  // the mesh is drawn
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
  int frameCount;
};

// A block of data attached to a model, and each frame's view of it.
struct ModelAttachment {
  uint8_t inUse;
  void* data;  // tracked
};
struct ModelAttachmentState {
  uint8_t inUse;
  void* pointer;
};

// A node of a frame's (or the model's) chain; each names the next.
struct ModelChainNode {
  ModelChainNode* next;
};

// What a model keeps per frame, and for itself: two tracked tables and the
// head record of a chain (tracked, as its nodes are).
struct ModelFrameBlocks {
  void* tables[2];  // [0] the second table, [1] the first
  ModelChainNode* chain;
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
  int attachmentCount;
  int attachmentsInUse;
  ModelAttachment* attachments;  // tracked, attachmentCount entries
  // Per frame of the base: attachmentCount states (tracked), or null.
  ModelAttachmentState** frameAttachmentStates;
  ModelFrameBlocks ownBlocks;
  ModelFrameBlocks* frameBlocks;  // per frame of the base, or null
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
// 0, or -1 when the model system is not ready, the handle is bad or the
// index is outside the attachment table.
int ReleaseModelAttachment(int model, int index);
// The chain of the model itself (frame -1) or of one frame; 0 or -1.
int FreeModelFrameChain(int model, int frame);
// The first table (which non-zero) or the second; 0 or -1.
int FreeModelFrameTables(int model, int frame, int which);
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
