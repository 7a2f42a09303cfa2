// What remains of the model module: the model-base and model tables, their
// start and end, the device buffers of their meshes, and the preparation of
// material textures (with normal maps from height images). Nothing in the
// library creates models, so the tables are empty unless a loader fills them.
#ifndef OMBREL_DIRECT3D9_MODEL_SYSTEM_H
#define OMBREL_DIRECT3D9_MODEL_SYSTEM_H

#include "Ombrel.h"

struct ModelSystemState;
ModelSystemState& GetModelSystemState();
int IsModelSystemReady();

int InitializeModelSystem();
int TerminateModelSystem();
int FillGradationGraph(int graph);
int LoadModelTextureImage(GraphImage* color, GraphImage* alpha, const void* colorBytes,
                          int colorSize, const void* alphaBytes, int alphaSize, int bumpFlag,
                          float bumpStrength, int rotateFlag);
int RestoreModelTextures();
// Replaces a height field (its red channel) by its normal map.
int MakeNormalMapFromHeight(GraphImage* image, float bumpStrength);

struct ModelBaseRecord;
struct ModelRecord;
// The record behind a handle, or null; a reserved slot gives the
// placeholder, which callers must not read.
ModelBaseRecord* LookupModelBase(int handle);
ModelRecord* LookupModel(int handle, bool checkNumber);
bool IsModelRecord(const void* slot);

int SetupModelBaseBuffers(int base, int flag);
// Per-part dynamic vertex buffers of a model whose base has its buffers.
int SetupModelVertexBuffers(int model);
int RestoreModelBuffers();
int ReleaseModelBuffers();

#endif
