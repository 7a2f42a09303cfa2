// What the device layer reads of the graphics core: the drawing settings,
// the camera, lights and material, the draw area, and the few graphics-core
// operations a device restore or a draw needs. The graphics core keeps these
// current while the hardware renderer is on; the defaults are its own
// defaults, so the layer works the same before the core has touched them.
#ifndef OMBREL_DIRECT3D9_CORE_INPUTS_H
#define OMBREL_DIRECT3D9_CORE_INPUTS_H

#include <stdint.h>

#include "Ombrel.h"
#include "direct3d9/d3d_types.h"

struct DeviceDepthSet {
  int zEnable;
  int zWriteEnable;
  int zFunc;
  uint32_t depthBias;  // bits of a float
};

// Graphics-core operations the layer calls; the graphics core links every
// entry at start-up (CountUnlinkedDeviceCoreHooks checks it).
struct DeviceCoreHooks {
  void (*applyLightHandles)();
  void (*updateCombinedMatrices)();
  void (*setProjectionMatrix)(const Matrix44* matrix);
  void (*setViewportMatrix)(const Matrix44* matrix);
  // Passes over the graph table around a device re-creation.
  void (*releaseAllGraphTextures)();
  void (*createAllGraphTextures)();
  // The texture of a live graph's first texture piece, else null.
  void* (*getGraphTexture)(int graph);
  // A graph from an image file held in memory, or -1.
  int (*createGraphFromFileImage)(const void* bytes, int size);
  // The transparent colour new graphs get (0x00RRGGBB) and its switch.
  int (*getGraphTransColor)(int* enabled);
  void (*setGraphTransColor)(int color, int enabled);
  // The level-0 surface of a live graph's first texture piece and its colour
  // kind, or null when the value is not a live graph.
  void* (*getGraphSurface)(int graph, int* colorKind);
  // The software image of a draw target (a graph, or any other value for
  // the screen) as a view: format, size, pitch and pixels; 0 or -1.
  int (*describeTargetSoftImage)(int drawTarget, GraphImage* view);
  // The graph updates the model textures use; 0 or -1.
  int (*updateGraphFromGraphImage)(const GraphImage* image, int graph);
  int (*updateGraphFromFileImage)(const void* bytes, int size, int graph);
  int (*updateGraphFromGraphImagePair)(const GraphImage* image, const GraphImage* alpha,
                                       int graph);
  int (*removeGraph)(int graph);
};

struct DeviceCoreInputs {
  int blendMode;
  int blendParam;
  uint32_t drawBright;  // 0x00RRGGBB; 0xFFFFFF is "no bright"
  int blendParamAsAlpha;
  int blendGraph;  // -1 none
  int blendX;
  int blendY;
  int filterMode;
  int maxAnisotropy;
  float drawZ;
  int alphaTestFunc;  // -1 none
  int alphaTestRef;
  int specularOff;
  int fogEnable;
  int fillMode;
  int cullMode;
  DeviceDepthSet depth2D;
  DeviceDepthSet depth3D;
  int addressU[8];
  int addressV[8];
  int addressW[8];
  int textureTransformFlag;
  Matrix44 textureMatrix;

  Matrix44 world;
  Matrix44 view;
  Matrix44 projection;
  Matrix44 viewportMatrix;
  int lightingOff;
  int lightsChanged;
  D_D3DMATERIAL9 material;
  int materialChanged;
  int materialDiffuseFlag;
  int materialSpecularFlag;

  IntRect drawArea;
  float drawAreaF[4];  // left, top, right, bottom
  // The current draw target: a graph handle or a screen value, and its size.
  int drawTarget;
  int targetWidth;
  int targetHeight;
  // Whether presents wait for the vertical blank.
  int presentWaitsVSync;

  DeviceCoreHooks hooks;
};

DeviceCoreInputs& GetDeviceCoreInputs();
// How many hook entries are null.
int CountUnlinkedDeviceCoreHooks();
// Puts every field back to the graphics core's defaults.
void ResetDeviceCoreInputs();

#endif
