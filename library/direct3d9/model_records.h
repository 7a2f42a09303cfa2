// The records of model bases and models, in the shape the model operations
// read; a model loader fills them.
#ifndef OMBREL_DIRECT3D9_MODEL_RECORDS_H
#define OMBREL_DIRECT3D9_MODEL_RECORDS_H

#include <stdint.h>

struct ModelRecord;

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

struct ModelBaseRecord {
  int refCount;
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

#endif
