#include "graphics/camera_state.h"

#include "direct3d9/device_services.h"
#include "direct3d9/device_state_cache.h"
#include "graphics/device_core_link.h"
#include "graphics/draw_state.h"
#include "graphics/screen_settings.h"

namespace {

constexpr float kDefaultNear = 10.0f;
constexpr float kDefaultFar = 10000.0f;
constexpr float kDefaultFieldOfView = 1.0471976f;  // 60 degrees
constexpr int kFogLinear = 3;
constexpr uint32_t kFogWhite = 0xFFFFFFFF;
constexpr float kDefaultFogEnd = 1500.0f;

CameraSettings camera = {};
TransformState transform = {};
FogSettings fog = {};

bool HardwareOn() { return GetScreenSettings().hardwareOn != 0; }

// The device draws into the draw area as if it were the whole target.
void SendDeviceProjection() {
  Matrix44 product;
  MultiplyMatrix(&product, &transform.projection.matrix, &transform.viewport.matrix);
  MultiplyMatrix(&product, &product, &transform.drawAreaViewportInverse);
  SetDeviceProjectionTransform(&product);
  transform.projection.sent = 1;
}

// Every matrix setter: the pending hardware vertices were drawn with the old
// matrix, so they go first.
void StoreMatrix(SentMatrix* target, const Matrix44* matrix) {
  FlushVertexBatch();
  target->matrix = *matrix;
  transform.productsCurrent = 0;
  UpdateCombinedMatrices();
  SyncDeviceCoreCamera();
}

}  // namespace

CameraSettings& GetCameraSettings() { return camera; }

TransformState& GetTransformState() { return transform; }

FogSettings& GetFogSettings() { return fog; }

void ResetCameraAndFog() {
  camera = CameraSettings{};
  camera.projectionMode = kProjectionPerspective;
  camera.nearZ = kDefaultNear;
  camera.farZ = kDefaultFar;
  camera.aspectScale = 1.0f;
  camera.fieldOfView = kDefaultFieldOfView;
  camera.orthoSize = 1.0f;
  MakeIdentityMatrix(&camera.projectionSource);

  transform = TransformState{};
  MakeIdentityMatrix(&transform.world.matrix);
  MakeIdentityMatrix(&transform.view.matrix);
  MakeIdentityMatrix(&transform.projection.matrix);
  MakeIdentityMatrix(&transform.viewport.matrix);
  MakeIdentityMatrix(&transform.drawAreaViewport);
  MakeIdentityMatrix(&transform.drawAreaViewportInverse);
  transform.viewportScale = 1.0f;
  UpdateCombinedMatrices();

  fog = FogSettings{};
  fog.kind = kFogLinear;
  fog.color = kFogWhite;
  fog.start = 0.0f;
  fog.end = kDefaultFogEnd;
  SyncDeviceCoreCamera();
}

Vector3* TransformVector(Vector3* dest, const Vector3* source, const Matrix44* m) {
  const float x = source->x, y = source->y, z = source->z;
  dest->x = x * m->m[0][0] + y * m->m[1][0] + z * m->m[2][0] + m->m[3][0];
  dest->y = x * m->m[0][1] + y * m->m[1][1] + z * m->m[2][1] + m->m[3][1];
  dest->z = x * m->m[0][2] + y * m->m[1][2] + z * m->m[2][2] + m->m[3][2];
  return dest;
}

Vector3* TransformVectorRotScale(Vector3* dest, const Vector3* source, const Matrix44* m) {
  const float x = source->x, y = source->y, z = source->z;
  dest->x = x * m->m[0][0] + y * m->m[1][0] + z * m->m[2][0];
  dest->y = x * m->m[0][1] + y * m->m[1][1] + z * m->m[2][1];
  dest->z = x * m->m[0][2] + y * m->m[1][2] + z * m->m[2][2];
  return dest;
}

int SetWorldMatrix(const Matrix44* matrix) {
  StoreMatrix(&transform.world, matrix);
  if (HardwareOn()) {
    SetDeviceWorldTransform(&transform.world.matrix);
    transform.world.sent = 1;
  }
  return 0;
}

int SetViewMatrix(const Matrix44* matrix) {
  StoreMatrix(&transform.view, matrix);
  if (HardwareOn()) {
    SetDeviceViewTransform(&transform.view.matrix);
    transform.view.sent = 1;
  }
  return 0;
}

int SetProjectionMatrix(const Matrix44* matrix) {
  StoreMatrix(&transform.projection, matrix);
  if (HardwareOn()) SendDeviceProjection();
  return 0;
}

int SetViewportMatrix(const Matrix44* matrix) {
  StoreMatrix(&transform.viewport, matrix);
  if (HardwareOn()) SendDeviceProjection();
  return 0;
}

void UpdateCombinedMatrices() {
  if (transform.productsCurrent) return;
  Matrix44& vpv = transform.viewProjectionViewport;
  MultiplyMatrix(&vpv, &transform.view.matrix, &transform.projection.matrix);
  MultiplyMatrix(&vpv, &vpv, &transform.viewport.matrix);
  MultiplyMatrix(&transform.worldViewProjectionViewport, &transform.world.matrix, &vpv);
  // The view's rotation transposed turns view directions back into world
  // directions (billboards face the camera with it).
  Matrix44& rotation = transform.viewRotationTransposed;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      rotation.m[r][c] = r < 3 && c < 3 ? transform.view.matrix.m[c][r] : 0.0f;
    }
  }
  transform.productValid[0] = 0;
  transform.productValid[1] = 0;
  transform.productsCurrent = 1;
}

void RebuildProjectionMatrix() {
  const DrawStateRecord& state = GetDrawState();
  const float aspect = static_cast<float>(state.targetHeight) /
                       static_cast<float>(state.targetWidth) * camera.aspectScale;
  if (camera.projectionMode == kProjectionPerspective) {
    MakePerspectiveMatrix(&camera.projectionSource, camera.fieldOfView, camera.nearZ, camera.farZ,
                          aspect);
  } else if (camera.projectionMode == kProjectionOrthographic) {
    MakeOrthoMatrix(&camera.projectionSource, camera.orthoSize, camera.nearZ, camera.farZ, aspect);
  }
  SetProjectionMatrix(&camera.projectionSource);
}

int SetProjectionNearFar(float nearZ, float farZ) {
  camera.nearZ = nearZ;
  camera.farZ = farZ;
  RebuildProjectionMatrix();
  return 0;
}

int SetPerspectiveFieldOfView(float fieldOfView) {
  camera.projectionMode = kProjectionPerspective;
  camera.fieldOfView = fieldOfView;
  RebuildProjectionMatrix();
  return 0;
}

int UseGivenProjectionMatrix(const Matrix44* matrix) {
  camera.projectionMode = kProjectionGiven;
  camera.projectionSource = *matrix;
  RebuildProjectionMatrix();
  return 0;
}

int SetViewportCenter(float x, float y) {
  transform.viewportCenterX = x;
  transform.viewportCenterY = y;
  const DrawStateRecord& state = GetDrawState();
  Matrix44 viewport;
  MakeViewportMatrix(&viewport, x, y,
                     static_cast<float>(state.targetWidth) * transform.viewportScale,
                     static_cast<float>(state.targetHeight) * transform.viewportScale);
  return SetViewportMatrix(&viewport);
}

void SetDrawAreaViewport(float centerX, float centerY, float width, float height) {
  MakeViewportMatrix(&transform.drawAreaViewport, centerX, centerY, width, height);
  InvertMatrix(&transform.drawAreaViewportInverse, &transform.drawAreaViewport);
}

void ResendMatricesToDevice() {
  if (!HardwareOn()) return;
  SetDeviceWorldTransform(&transform.world.matrix);
  transform.world.sent = 1;
  SetDeviceViewTransform(&transform.view.matrix);
  transform.view.sent = 1;
  SendDeviceProjection();
  transform.viewport.sent = 1;
}

void MarkMatricesUnsent() {
  transform.world.sent = 0;
  transform.view.sent = 0;
  transform.projection.sent = 0;
  transform.viewport.sent = 0;
  transform.productsCurrent = 0;
}

int SetFogKind(int kind) {
  if (kind == fog.kind && !HardwareOn()) return 0;
  FlushVertexBatch();
  fog.kind = kind;
  if (HardwareOn()) SetDeviceFogMode(kind);
  return 0;
}

int SetFogTint(int red, int green, int blue) {
  const uint32_t color = 0xFF000000u | static_cast<uint32_t>(red & 0xFF) << 16 |
                         static_cast<uint32_t>(green & 0xFF) << 8 |
                         static_cast<uint32_t>(blue & 0xFF);
  if (color == fog.color && !HardwareOn()) return 0;
  FlushVertexBatch();
  fog.color = color;
  if (HardwareOn()) SetDeviceFogColor(color);
  return 0;
}

int SetFogDistances(float start, float end) {
  if (start == fog.start && end == fog.end && !HardwareOn()) return 0;
  FlushVertexBatch();
  fog.start = start;
  fog.end = end;
  if (HardwareOn()) SetDeviceFogRange(start, end);
  return 0;
}
