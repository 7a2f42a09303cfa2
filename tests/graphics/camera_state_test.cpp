#include "graphics/camera_state.h"

#include <gtest/gtest.h>

#include <cmath>

#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/draw_state.h"
#include "graphics/light_table.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "support/recording_device_ops.h"

namespace {

constexpr float kTolerance = 1e-4f;

void ExpectMatrixNear(const Matrix44& actual, const Matrix44& expected, float tolerance) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "row " << r << " column " << c;
    }
  }
}

// (x, y, z, 1) times m, divided by the resulting w.
Vector3 Project(const Matrix44& m, float x, float y, float z) {
  float out[4];
  for (int c = 0; c < 4; ++c) out[c] = x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c];
  return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

Matrix44 Translation(float x, float y, float z) {
  Matrix44 m;
  MakeIdentityMatrix(&m);
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

TEST(TransformVectorTest, WithAndWithoutTheTranslationRow) {
  Matrix44 m = {{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 20, 30, 1}}};
  const Vector3 source = {1, 1, 2};
  Vector3 out;
  // x: 1*1 + 1*4 + 2*7 (+ 10); y: 2 + 5 + 16 (+ 20); z: 3 + 6 + 18 (+ 30).
  EXPECT_EQ(TransformVector(&out, &source, &m), &out);
  EXPECT_FLOAT_EQ(out.x, 29.0f);
  EXPECT_FLOAT_EQ(out.y, 43.0f);
  EXPECT_FLOAT_EQ(out.z, 57.0f);
  EXPECT_EQ(TransformVectorRotScale(&out, &source, &m), &out);
  EXPECT_FLOAT_EQ(out.x, 19.0f);
  EXPECT_FLOAT_EQ(out.y, 23.0f);
  EXPECT_FLOAT_EQ(out.z, 27.0f);
  // The destination may be the source.
  Vector3 inPlace = source;
  TransformVector(&inPlace, &inPlace, &m);
  EXPECT_FLOAT_EQ(inPlace.x, 29.0f);
  EXPECT_FLOAT_EQ(inPlace.z, 57.0f);
}

class CameraStateTest : public StartedLibraryTest {};

// The 2D camera of a w x h target: the eye stands d = (h / 2) / tan 30
// degrees before the target's centre, near d / 10, far d + 20000.
struct TwoDCameraCase {
  int width, height;
  float distance, nearZ, farZ;
  float m00;  // (h / w) x cot 30 degrees
  float m22, m32;
};
const TwoDCameraCase kTwoDCameras[] = {
    {320, 240, 207.84610f, 20.784610f, 20207.846f, 1.2990381f, 1.0010296f, -20.806010f},
    {640, 480, 415.69220f, 41.569220f, 20415.692f, 1.2990381f, 1.0020403f, -41.654034f},
    {200, 100, 86.602542f, 8.6602542f, 20086.603f, 0.8660254f, 1.0004313f, -8.6639896f},
};

void ExpectTwoDCamera(const TwoDCameraCase& c) {
  SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
  const CameraSettings& camera = GetCameraSettings();
  const TransformState& transform = GetTransformState();
  EXPECT_EQ(camera.projectionMode, kProjectionPerspective);
  EXPECT_NEAR(camera.nearZ, c.nearZ, 1e-3f);
  EXPECT_NEAR(camera.farZ, c.farZ, 1e-2f);
  ExpectMatrixNear(transform.world.matrix, Translation(0, 0, 0), 0.0f);
  ExpectMatrixNear(transform.view.matrix,
                   Translation(-c.width * 0.5f, -c.height * 0.5f, c.distance), 1e-3f);
  Matrix44 projection = {};
  projection.m[0][0] = c.m00;
  projection.m[1][1] = 1.7320508f;
  projection.m[2][2] = c.m22;
  projection.m[2][3] = 1.0f;
  projection.m[3][2] = c.m32;
  ExpectMatrixNear(transform.projection.matrix, projection, kTolerance * 10);
  Matrix44 viewport = {};
  viewport.m[0][0] = c.width * 0.5f;
  viewport.m[1][1] = -c.height * 0.5f;
  viewport.m[2][2] = 1.0f;
  viewport.m[3][0] = c.width * 0.5f;
  viewport.m[3][1] = c.height * 0.5f;
  viewport.m[3][3] = 1.0f;
  ExpectMatrixNear(transform.viewport.matrix, viewport, 0.0f);
  ExpectMatrixNear(transform.drawAreaViewport, viewport, 0.0f);
  EXPECT_FLOAT_EQ(transform.viewportCenterX, c.width * 0.5f);
  EXPECT_FLOAT_EQ(transform.viewportCenterY, c.height * 0.5f);
  // The plane z = 0 lands pixel for pixel, the y axis pointing up.
  const Matrix44& all = transform.worldViewProjectionViewport;
  const Vector3 centre = Project(all, c.width * 0.5f, c.height * 0.5f, 0);
  EXPECT_NEAR(centre.x, c.width * 0.5f, 1e-2f);
  EXPECT_NEAR(centre.y, c.height * 0.5f, 1e-2f);
  const Vector3 corner = Project(all, 0, 0, 0);
  EXPECT_NEAR(corner.x, 0.0f, 1e-2f);
  EXPECT_NEAR(corner.y, static_cast<float>(c.height), 1e-2f);
}

TEST_F(CameraStateTest, SelectingATargetSetsTheTwoDCameraForItsSize) {
  // Start-up selected the 320 x 240 front screen.
  ExpectTwoDCamera(kTwoDCameras[0]);
  for (const TwoDCameraCase& c : kTwoDCameras) {
    const int graph = CreateEmptyGraph(c.width, c.height, 0);
    ASSERT_NE(graph, -1);
    ASSERT_EQ(SelectDrawTarget(graph), 0);
    ExpectTwoDCamera(c);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    RemoveGraph(graph, 0);
  }
  ExpectTwoDCamera(kTwoDCameras[0]);
}

TEST_F(CameraStateTest, StartUpKeepsTheCameraAndFogDefaults) {
  const CameraSettings& camera = GetCameraSettings();
  EXPECT_FLOAT_EQ(camera.aspectScale, 1.0f);
  EXPECT_FLOAT_EQ(camera.fieldOfView, 1.0471976f);
  EXPECT_FLOAT_EQ(camera.orthoSize, 1.0f);
  EXPECT_FLOAT_EQ(GetTransformState().viewportScale, 1.0f);
  const FogSettings& fog = GetFogSettings();
  EXPECT_EQ(fog.enable, 0);
  EXPECT_EQ(fog.kind, 3);
  EXPECT_EQ(fog.color, 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(fog.start, 0.0f);
  EXPECT_FLOAT_EQ(fog.end, 1500.0f);
}

TEST_F(CameraStateTest, ProjectionModesAreBuiltFromTheCameraAndTheTargetAspect) {
  CameraSettings& camera = GetCameraSettings();
  const TransformState& transform = GetTransformState();
  struct Case {
    int width, height;
    int mode;
    float m00, m11, m22, m32;
  } const cases[] = {
      // Perspective, 60 degrees, near 10, far 10000.
      {320, 240, kProjectionPerspective, 1.2990381f, 1.7320508f, 1.001001f, -10.01001f},
      {640, 480, kProjectionPerspective, 1.2990381f, 1.7320508f, 1.001001f, -10.01001f},
      {200, 100, kProjectionPerspective, 0.8660254f, 1.7320508f, 1.001001f, -10.01001f},
      // Orthographic of size 1: 2 x aspect / size, 2 / size, 1 / (far - near).
      {320, 240, kProjectionOrthographic, 1.5f, 2.0f, 1.001001e-4f, -1.001001e-3f},
      {640, 480, kProjectionOrthographic, 1.5f, 2.0f, 1.001001e-4f, -1.001001e-3f},
      {200, 100, kProjectionOrthographic, 1.0f, 2.0f, 1.001001e-4f, -1.001001e-3f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " mode " << c.mode);
    const int graph = CreateEmptyGraph(c.width, c.height, 0);
    ASSERT_EQ(SelectDrawTarget(graph), 0);
    camera.projectionMode = c.mode;
    ASSERT_EQ(SetProjectionNearFar(10.0f, 10000.0f), 0);
    const Matrix44& p = transform.projection.matrix;
    EXPECT_NEAR(p.m[0][0], c.m00, kTolerance);
    EXPECT_NEAR(p.m[1][1], c.m11, kTolerance);
    EXPECT_NEAR(p.m[2][2], c.m22, 1e-6f);
    EXPECT_NEAR(p.m[3][2], c.m32, 1e-5f);
    EXPECT_FLOAT_EQ(p.m[2][3], c.mode == kProjectionPerspective ? 1.0f : 0.0f);
    EXPECT_FLOAT_EQ(p.m[3][3], c.mode == kProjectionPerspective ? 0.0f : 1.0f);
    ExpectMatrixNear(camera.projectionSource, p, 0.0f);
    SelectDrawTarget(-2);
    RemoveGraph(graph, 0);
  }
}

TEST_F(CameraStateTest, AGivenProjectionHoldsUntilTheFieldOfViewIsSetAgain) {
  const Matrix44 given = {{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 1}, {0, 0, 5, 0}}};
  ASSERT_EQ(UseGivenProjectionMatrix(&given), 0);
  EXPECT_EQ(GetCameraSettings().projectionMode, kProjectionGiven);
  ExpectMatrixNear(GetTransformState().projection.matrix, given, 0.0f);
  // Near and far do not rebuild a given matrix.
  ASSERT_EQ(SetProjectionNearFar(1.0f, 100.0f), 0);
  ExpectMatrixNear(GetTransformState().projection.matrix, given, 0.0f);

  ASSERT_EQ(SetPerspectiveFieldOfView(1.0471976f), 0);
  EXPECT_EQ(GetCameraSettings().projectionMode, kProjectionPerspective);
  EXPECT_NEAR(GetTransformState().projection.matrix.m[1][1], 1.7320508f, kTolerance);
  EXPECT_NEAR(GetTransformState().projection.matrix.m[2][2], 100.0f / 99.0f, kTolerance);
}

TEST_F(CameraStateTest, ARefusedProjectionKeepsAndReappliesThePreviousOne) {
  ASSERT_EQ(SetProjectionNearFar(10.0f, 1000.0f), 0);
  const Matrix44 before = GetTransformState().projection.matrix;
  // near = far: the perspective builder refuses.
  ASSERT_EQ(SetProjectionNearFar(50.0f, 50.0f), 0);
  EXPECT_FLOAT_EQ(GetCameraSettings().nearZ, 50.0f);
  ExpectMatrixNear(GetTransformState().projection.matrix, before, 0.0f);
  ExpectMatrixNear(GetCameraSettings().projectionSource, before, 0.0f);
}

TEST_F(CameraStateTest, ViewportCentreBuildsTheViewportMatrixAtTheTargetSize) {
  ASSERT_EQ(SetViewportCenter(100.0f, 50.0f), 0);
  const Matrix44& viewport = GetTransformState().viewport.matrix;
  EXPECT_FLOAT_EQ(viewport.m[0][0], 160.0f);
  EXPECT_FLOAT_EQ(viewport.m[1][1], -120.0f);
  EXPECT_FLOAT_EQ(viewport.m[3][0], 100.0f);
  EXPECT_FLOAT_EQ(viewport.m[3][1], 50.0f);
  // x and y in -1..1 cover the 320 x 240 rectangle around the centre.
  Vector3 out;
  const Vector3 topLeft = {-1, 1, 0};
  TransformVector(&out, &topLeft, &viewport);
  EXPECT_FLOAT_EQ(out.x, -60.0f);
  EXPECT_FLOAT_EQ(out.y, -70.0f);
}

TEST_F(CameraStateTest, EverySetterRefreshesTheCombinedProducts) {
  const TransformState& t = GetTransformState();
  const Matrix44 world = Translation(5, 6, 7);
  Matrix44 view;
  const Vector3 eye = {1, 2, -30};
  const Vector3 at = {4, 2, 0};
  const Vector3 up = {0, 1, 0};
  MakeLookAtMatrix(&view, &eye, &at, &up);
  const Matrix44 projection = {{{1.5f, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 1.01f, 1}, {0, 0, -3, 0}}};
  Matrix44 viewport;
  MakeViewportMatrix(&viewport, 10, 20, 30, 40);
  auto expectProducts = [&](const char* after) {
    SCOPED_TRACE(after);
    EXPECT_EQ(t.productsCurrent, 1);
    Matrix44 vpv;
    MultiplyMatrix(&vpv, &t.view.matrix, &t.projection.matrix);
    MultiplyMatrix(&vpv, &vpv, &t.viewport.matrix);
    ExpectMatrixNear(t.viewProjectionViewport, vpv, 1e-4f);
    Matrix44 all;
    MultiplyMatrix(&all, &t.world.matrix, &vpv);
    ExpectMatrixNear(t.worldViewProjectionViewport, all, 1e-3f);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c)
        EXPECT_FLOAT_EQ(t.viewRotationTransposed.m[r][c], t.view.matrix.m[c][r]);
      EXPECT_FLOAT_EQ(t.viewRotationTransposed.m[r][3], 0.0f);
      EXPECT_FLOAT_EQ(t.viewRotationTransposed.m[3][r], 0.0f);
    }
    EXPECT_FLOAT_EQ(t.viewRotationTransposed.m[3][3], 0.0f);
  };
  SetWorldMatrix(&world);
  ExpectMatrixNear(t.world.matrix, world, 0.0f);
  expectProducts("world");
  SetViewMatrix(&view);
  ExpectMatrixNear(t.view.matrix, view, 0.0f);
  expectProducts("view");
  SetProjectionMatrix(&projection);
  ExpectMatrixNear(t.projection.matrix, projection, 0.0f);
  expectProducts("projection");
  SetViewportMatrix(&viewport);
  ExpectMatrixNear(t.viewport.matrix, viewport, 0.0f);
  expectProducts("viewport");
  // A point seen through all four: world (0, 0, 0) is view (1, 0, 30) ...
  const Vector3 p = Project(t.worldViewProjectionViewport, -5, -6, -7);
  Vector3 viewed;
  const Vector3 origin = {0, 0, 0};
  TransformVector(&viewed, &origin, &view);
  EXPECT_NEAR(p.x, viewed.x * 1.5f / viewed.z * 15.0f + 10.0f, 1e-3f);
  EXPECT_NEAR(p.y, -(viewed.y * 2.0f / viewed.z) * 20.0f + 20.0f, 1e-3f);
}

TEST_F(CameraStateTest, FogSettersStoreTheirValues) {
  EXPECT_EQ(SetFogKind(1), 0);
  EXPECT_EQ(GetFogSettings().kind, 1);
  EXPECT_EQ(SetFogTint(0x101, 2, 0x1FF), 0);  // the low 8 bits of each
  EXPECT_EQ(GetFogSettings().color, 0xFF0102FFu);
  EXPECT_EQ(SetFogDistances(5.0f, 50.0f), 0);
  EXPECT_FLOAT_EQ(GetFogSettings().start, 5.0f);
  EXPECT_FLOAT_EQ(GetFogSettings().end, 50.0f);
}

TEST_F(CameraStateTest, FogReachesTheDeviceOnlyWhenItChanges) {
  RecordingDeviceOps ops;
  InitializeVertexBatch();
  DeviceOps* previous = InstallDeviceOps(&ops);
  GetScreenSettings().hardwareOn = 1;
  SetFogTint(10, 20, 30);
  SetFogTint(10, 20, 30);
  EXPECT_EQ(ops.CountRenderState(D_D3DRS_FOGCOLOR), 1u);
  EXPECT_EQ(ops.LastRenderState(D_D3DRS_FOGCOLOR), 0xFF0A141E);
  SetFogKind(1);
  SetFogKind(1);
  EXPECT_EQ(ops.CountRenderState(D_D3DRS_FOGVERTEXMODE), 1u);
  SetFogDistances(2.0f, 3.0f);
  SetFogDistances(2.0f, 3.0f);
  EXPECT_EQ(ops.CountRenderState(D_D3DRS_FOGSTART), 1u);
  EXPECT_EQ(ops.CountRenderState(D_D3DRS_FOGEND), 1u);
  GetScreenSettings().hardwareOn = 0;
  InstallDeviceOps(previous);
  // Without a device the values are only kept.
  EXPECT_EQ(GetFogSettings().color, 0xFF0A141Eu);
  EXPECT_EQ(GetFogSettings().kind, 1);
  EXPECT_FLOAT_EQ(GetFogSettings().end, 3.0f);
}

class LightTableTest : public StartedLibraryTest {
 protected:
  void TearDown() override {
    InstallDeviceOps(nullptr);
    FreeLightHandlesButDefault();
    StartedLibraryTest::TearDown();
  }
};

TEST_F(LightTableTest, StartUpMakesTheDefaultDirectionalLightAndMaterial) {
  const LightTable& table = GetLightTable();
  const LightRecord* light = GetLightRecord(table.defaultLight);
  ASSERT_NE(light, nullptr);
  EXPECT_EQ(light->light.Type, kLightDirectional);
  const float third = 1.0f / std::sqrt(3.0f);
  EXPECT_NEAR(light->light.Direction.x, third, 1e-6f);
  EXPECT_NEAR(light->light.Direction.y, -third, 1e-6f);
  EXPECT_NEAR(light->light.Direction.z, third, 1e-6f);
  EXPECT_EQ(table.lightingOff, 0);
  EXPECT_FLOAT_EQ(table.material.Diffuse.r, 0.8f);
  EXPECT_FLOAT_EQ(table.material.Diffuse.a, 1.0f);
  EXPECT_FLOAT_EQ(table.material.Ambient.r, 0.0f);
  EXPECT_FLOAT_EQ(table.material.Specular.g, 0.8f);
  EXPECT_FLOAT_EQ(table.material.Specular.a, 0.0f);
  EXPECT_FLOAT_EQ(table.material.Power, 20.0f);
}

TEST_F(LightTableTest, ANewLightHasTheDefaultsAndAHandleOfKindNine) {
  const int handle = AllocLightHandle();
  ASSERT_GE(handle, 0);
  EXPECT_EQ((handle >> 27) & 0xF, 9);
  const LightRecord* record = GetLightRecord(handle);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->handle, handle);
  EXPECT_EQ(record->check, (handle >> 16) & 0x7FF);
  EXPECT_EQ(record->light.Type, 0);
  EXPECT_FLOAT_EQ(record->light.Diffuse.g, 1.0f);
  EXPECT_FLOAT_EQ(record->light.Specular.a, 1.0f);
  EXPECT_FLOAT_EQ(record->light.Ambient.b, 0.33f);
  EXPECT_FLOAT_EQ(record->light.Range, 2000.0f);
  EXPECT_FLOAT_EQ(record->light.Falloff, 1.0f);
  EXPECT_FLOAT_EQ(record->light.Attenuation0, 0.1f);
  EXPECT_FLOAT_EQ(record->light.Attenuation1, 0.0f);
  EXPECT_FLOAT_EQ(record->light.Theta, 2.0f);
  EXPECT_FLOAT_EQ(record->light.Phi, 2.0f);
  EXPECT_EQ(record->deviceSlot, -1);
  EXPECT_EQ(record->enabled, 1);
  EXPECT_EQ(record->changed, 1);
  EXPECT_EQ(GetLightTable().lightsChanged, 1);
  EXPECT_EQ(FreeLightHandle(handle), 0);
  EXPECT_EQ(FreeLightHandle(handle), -1);
  EXPECT_EQ(GetLightRecord(handle), nullptr);
  EXPECT_EQ(MakeDirectionalLight(0, 0, 3) >= 0, true);
}

TEST_F(LightTableTest, FreeingTheHighestLightShrinksTheEndPastEmptySlots) {
  LightTable& table = GetLightTable();
  const int base = table.endIndex;  // the default light's slot is below
  int handles[4];
  for (int& h : handles) h = AllocLightHandle();
  EXPECT_EQ(table.endIndex, base + 4);
  FreeLightHandle(handles[1]);
  FreeLightHandle(handles[2]);
  EXPECT_EQ(table.endIndex, base + 4);
  FreeLightHandle(handles[3]);
  EXPECT_EQ(table.endIndex, base + 1);
  // The next light goes to the end again.
  const int next = AllocLightHandle();
  EXPECT_EQ(next & 0xFFFF, base + 1);
}

TEST_F(LightTableTest, TheTableHoldsFourThousandNinetySixLights) {
  LightTable& table = GetLightTable();
  while (table.liveCount < kLightCapacity) ASSERT_GE(AllocLightHandle(), 0);
  EXPECT_EQ(AllocLightHandle(), -1);
  // With the end at the capacity a freed slot below is found again.
  const int freed = table.records[7]->handle;
  FreeLightHandle(freed);
  const int again = AllocLightHandle();
  EXPECT_EQ(again & 0xFFFF, 7);
  EXPECT_NE(again, freed);
}

TEST_F(LightTableTest, DeviceSlotsGoDirectionalThenSpotThenPoint) {
  RecordingDeviceOps ops;
  InstallDeviceOps(&ops);
  FreeAllLights();  // the default light too: the table holds only these
  const int point = AllocLightHandle();
  GetLightRecord(point)->light.Type = kLightPoint;
  const int spot = AllocLightHandle();
  GetLightRecord(spot)->light.Type = kLightSpot;
  const int directional = MakeDirectionalLight(0, 0, 1);
  const int spot2 = AllocLightHandle();
  GetLightRecord(spot2)->light.Type = kLightSpot;
  GetLightTable().highestSlot = -1;

  ASSERT_EQ(ApplyLightHandles(), 0);
  std::vector<std::pair<uint32_t, uint32_t>> sent;  // device slot, light type
  for (const DeviceCall& call : ops.calls) {
    if (call.name == "SetLight") sent.emplace_back(call.a, call.b);
  }
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {
      {0, kLightDirectional}, {1, kLightSpot}, {2, kLightSpot}, {3, kLightPoint}};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(GetLightRecord(directional)->deviceSlot, 0);
  EXPECT_EQ(GetLightRecord(spot)->deviceSlot, 1);
  EXPECT_EQ(GetLightRecord(spot2)->deviceSlot, 2);
  EXPECT_EQ(GetLightRecord(point)->deviceSlot, 3);
  EXPECT_EQ(GetLightTable().highestSlot, 3);
  EXPECT_EQ(GetLightTable().lightsChanged, 0);

  // Nothing changed: nothing is sent.
  ops.calls.clear();
  ApplyLightHandles();
  EXPECT_EQ(ops.Count("SetLight"), 0u);

  // The directional light goes: the others move down and slot 3 is switched off.
  FreeLightHandle(directional);
  ops.calls.clear();
  ApplyLightHandles();
  EXPECT_EQ(ops.Count("SetLight"), 3u);
  bool slot3Off = false;
  for (const DeviceCall& call : ops.calls) {
    if (call.name == "LightEnable" && call.a == 3) slot3Off = call.b == 0;
  }
  EXPECT_TRUE(slot3Off);
  EXPECT_EQ(GetLightTable().highestSlot, 2);
  FreeLightHandle(point);
  FreeLightHandle(spot);
  FreeLightHandle(spot2);
  GetLightTable().defaultLight = MakeDirectionalLight(1, -1, 1);
}

}  // namespace
