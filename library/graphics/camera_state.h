// The fixed-function 3D transform state: world, view, projection and
// viewport matrices with the camera that builds the projection, their cached
// products, and the fog settings. The software renderer reads none of it;
// the values are kept so that the Direct3D device can be fed from them.
#ifndef OMBREL_GRAPHICS_CAMERA_STATE_H
#define OMBREL_GRAPHICS_CAMERA_STATE_H

#include <stdint.h>

#include "Ombrel.h"

enum ProjectionMode : int {
  kProjectionPerspective = 0,
  kProjectionOrthographic = 1,
  kProjectionGiven = 2,
};

struct CameraSettings {
  int projectionMode;
  float nearZ;
  float farZ;
  float aspectScale;  // the aspect used is target height / width times this
  float fieldOfView;  // radians
  float orthoSize;
  Matrix44 projectionSource;  // the given matrix in mode 2, else the last built
};

struct SentMatrix {
  Matrix44 matrix;
  int sent;  // 1 once given to the device
};

struct TransformState {
  SentMatrix world;
  SentMatrix view;
  SentMatrix projection;
  SentMatrix viewport;
  Matrix44 drawAreaViewport;
  Matrix44 drawAreaViewportInverse;
  Matrix44 worldViewProjectionViewport;
  Matrix44 viewProjectionViewport;
  Matrix44 viewRotationTransposed;  // rows 0-2 the view's columns 0-2
  int productsCurrent;
  int productValid[2];  // cleared at each rebuild
  float viewportCenterX;
  float viewportCenterY;
  float viewportScale;
};

struct FogSettings {
  int enable;
  int kind;        // 0 none, 1 exp, 2 exp2, 3 linear
  uint32_t color;  // 0xFFRRGGBB
  float start;
  float end;
};

CameraSettings& GetCameraSettings();
TransformState& GetTransformState();
FogSettings& GetFogSettings();

// Back to the defaults of a graphics start-up: camera, matrices and fog.
void ResetCameraAndFog();

// Builds the projection of the current mode into the projection source
// matrix (a builder that refuses leaves it as it was) and sets it.
void RebuildProjectionMatrix();
// The draw area's viewport matrix and its inverse, for a rectangle of the
// draw target; the device projection maps the draw area onto the whole
// target through them.
void SetDrawAreaViewport(float centerX, float centerY, float width, float height);
// Sends world, view and the device projection again (after a device was
// made anew).
void ResendMatricesToDevice();
// Marks every matrix as not yet sent, so that the restore gives them again.
void MarkMatricesUnsent();

#endif
