#include "direct3d9/device_state_cache.h"

#include <gtest/gtest.h>

#include "direct3d9/d3d_types.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "support/recording_device_ops.h"

namespace {

class DeviceStateCacheTest : public RecordingDeviceTest {
 protected:
  // Leaves one vertex pending so that a flush shows as a draw.
  void QueueVertex() {
    AppendBatchVertices(D_D3DPT_POINTLIST, 1);
    CommitBatchVertices(1);
  }
  DeviceStateCache& cache_ = GetDeviceStateCache();
};

TEST_F(DeviceStateCacheTest, SameValueTwiceIsSentOnceUnlessForced) {
  struct Case {
    const char* name;
    int (*set)();
    uint32_t state;
  } cases[] = {
      {"ZEnable", [] { return SetDeviceZEnable(0); }, D_D3DRS_ZENABLE},
      {"ZWrite", [] { return SetDeviceZWriteEnable(1); }, D_D3DRS_ZWRITEENABLE},
      {"ZFunc", [] { return SetDeviceZFunc(7); }, D_D3DRS_ZFUNC},
      {"FogEnable", [] { return SetDeviceFogEnable(1); }, D_D3DRS_FOGENABLE},
      {"FogColor", [] { return SetDeviceFogColor(0xFF102030); }, D_D3DRS_FOGCOLOR},
      {"Lighting", [] { return SetDeviceLighting(1); }, D_D3DRS_LIGHTING},
      {"Cull", [] { return SetDeviceCullMode(2); }, D_D3DRS_CULLMODE},
      {"Diffuse", [] { return SetDeviceDiffuseSource(1); }, D_D3DRS_DIFFUSEMATERIALSOURCE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ops_.calls.clear();
    cache_.zEnable = 1;
    EXPECT_EQ(c.set(), 0);
    EXPECT_EQ(c.set(), 0);
    EXPECT_EQ(ops_.CountRenderState(c.state), 1u);
    cache_.forceResend = 1;
    c.set();
    cache_.forceResend = 0;
    EXPECT_EQ(ops_.CountRenderState(c.state), 2u);
  }
}

TEST_F(DeviceStateCacheTest, OnlyARealChangeFlushesTheBatch) {
  SetDeviceZFunc(4);
  QueueVertex();
  SetDeviceZFunc(4);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 0u);
  EXPECT_EQ(cache_.batch.count, 1);
  SetDeviceZFunc(5);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(cache_.batch.count, 0);
}

TEST_F(DeviceStateCacheTest, EverySetterRefusesOrIgnoresWithoutADevice) {
  InstallDeviceOps(nullptr);
  EXPECT_EQ(SetDeviceFilterMode(1), -1);
  EXPECT_EQ(SetDeviceZEnable(1), -1);
  EXPECT_EQ(SetDeviceBlendMode(1, 0, 0), -1);
  EXPECT_EQ(SetDeviceViewportRect(0, 0, 10, 10), -1);
  EXPECT_EQ(SetDeviceCullMode(2), 0);
  EXPECT_EQ(SetDeviceFogColor(1), 0);
  EXPECT_EQ(FlushVertexBatch(), -1);
  EXPECT_EQ(cache_.cullMode, 0);
}

TEST_F(DeviceStateCacheTest, UnknownFilterModeFlushesAndKeepsTheCache) {
  cache_.filterMode = 1;
  QueueVertex();
  EXPECT_EQ(SetDeviceFilterMode(3), -1);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(cache_.filterMode, 1);
}

TEST_F(DeviceStateCacheTest, FilterModeGoesToEachStageInUse) {
  cache_.sentBlend.stageCount = 2;
  cache_.filterMode = 3;
  ASSERT_EQ(SetDeviceFilterMode(2), 0);
  EXPECT_EQ(ops_.LastSamplerState(1, D_D3DSAMP_MINFILTER), D_D3DTEXF_ANISOTROPIC);
  EXPECT_EQ(ops_.LastSamplerState(1, D_D3DSAMP_MIPFILTER), D_D3DTEXF_LINEAR);
  EXPECT_EQ(ops_.CountSamplerState(2, D_D3DSAMP_MINFILTER), 0u);
}

TEST_F(DeviceStateCacheTest, AnisotropyBelowOneIsSentAsOneAndComparedBeforeTheClamp) {
  cache_.sentBlend.stageCount = 2;
  cache_.maxAnisotropy = 4;
  cache_.stageMaxAnisotropy[0] = 4;
  cache_.stageMaxAnisotropy[1] = 1;
  SetDeviceMaxAnisotropy(0);
  EXPECT_EQ(ops_.CountSamplerState(0, D_D3DSAMP_MAXANISOTROPY), 1u);
  EXPECT_EQ(ops_.CountSamplerState(1, D_D3DSAMP_MAXANISOTROPY), 0u);
  EXPECT_EQ(cache_.maxAnisotropy, 1);
  QueueVertex();
  ops_.calls.clear();
  SetDeviceMaxAnisotropy(0);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(ops_.Count("SetSamplerState"), 0u);
}

TEST_F(DeviceStateCacheTest, CullModeCodes) {
  const struct {
    int code;
    uint32_t sent;
  } cases[] = {{1, D_D3DCULL_CCW}, {2, D_D3DCULL_CW}, {0, D_D3DCULL_NONE}, {5, D_D3DCULL_CCW}};
  cache_.cullMode = -1;
  for (const auto& c : cases) {
    SetDeviceCullMode(c.code);
    EXPECT_EQ(ops_.LastRenderState(D_D3DRS_CULLMODE), c.sent) << c.code;
    EXPECT_EQ(cache_.cullMode, c.code);
  }
}

TEST_F(DeviceStateCacheTest, TextureChangesMarkTheBlendOnlyBetweenNullAndATexture) {
  int a = 0, b = 0;
  SetDeviceTexture(&a);
  EXPECT_EQ(cache_.textureDirty, 1);
  EXPECT_EQ(cache_.blendDirty, 1);
  cache_.textureDirty = cache_.blendDirty = 0;
  SetDeviceTexture(&b);
  EXPECT_EQ(cache_.textureDirty, 1);
  EXPECT_EQ(cache_.blendDirty, 0);
}

TEST_F(DeviceStateCacheTest, BlendTextureKeepsParametersGivenAsMinusOne) {
  int texture = 0;
  cache_.blendBorderParam = 40;
  cache_.blendRangeParam = 90;
  SetDeviceBlendTexture(&texture, -1, -1);
  EXPECT_EQ(cache_.blendTexture, &texture);
  EXPECT_EQ(cache_.blendBorderParam, 40);
  EXPECT_EQ(cache_.blendRangeParam, 90);
  cache_.blendDirty = 0;
  SetDeviceBlendTexture(&texture, 40, 90);
  EXPECT_EQ(cache_.blendDirty, 0);
  SetDeviceBlendTexture(nullptr, 0, 0);
  EXPECT_EQ(cache_.blendTexture, nullptr);
  cache_.blendDirty = 0;
  SetDeviceBlendTexture(nullptr, 7, 7);
  EXPECT_EQ(cache_.blendDirty, 0);
}

TEST_F(DeviceStateCacheTest, FogRangeSendsOnlyTheValueThatChanged) {
  GetDirect3DState().shadersInUse = 1;
  cache_.fogStart = 10.0f;
  cache_.fogEnd = 20.0f;
  SetDeviceFogRange(10.0f, 40.0f);
  EXPECT_EQ(ops_.CountRenderState(D_D3DRS_FOGSTART), 0u);
  EXPECT_EQ(ops_.CountRenderState(D_D3DRS_FOGEND), 1u);
  EXPECT_EQ(ops_.Count("SetVertexShaderConstantF"), 1u);
  EXPECT_FLOAT_EQ(cache_.vsConstants[10][0], 40.0f / 30.0f);
  EXPECT_FLOAT_EQ(cache_.vsConstants[10][1], -1.0f / 30.0f);
}

TEST_F(DeviceStateCacheTest, HighestEnabledLightWalksDownWhenTheTopOneGoesOff) {
  EnableDeviceLight(2, 1);
  EnableDeviceLight(5, 1);
  EXPECT_EQ(cache_.highestLight, 5);
  EnableDeviceLight(5, 0);
  EXPECT_EQ(cache_.highestLight, 2);
  EnableDeviceLight(2, 0);
  EXPECT_EQ(cache_.highestLight, 0);
}

TEST_F(DeviceStateCacheTest, AmbientConstantsCoverOnlyTheFirstFourLights) {
  D_D3DMATERIAL9 material = {};
  material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  SetDeviceMaterial(&material);
  D_D3DLIGHT9 light = {};
  light.Type = D_D3DLIGHT_POINT;
  light.Ambient = {0.5f, 0.25f, 0.125f, 1.0f};
  SetDeviceLight(5, &light);
  SetDeviceLight(1, &light);
  EnableDeviceLight(5, 1);
  EnableDeviceLight(1, 1);
  EXPECT_EQ(cache_.highestLight, 5);
  EXPECT_FLOAT_EQ(cache_.vsConstants[18 + 7][1], 0.25f);
  EXPECT_FLOAT_EQ(cache_.psConstants[11 + 3][2], 0.125f);
  SetDeviceAmbientColor(0xFF804020);
  EXPECT_NEAR(cache_.vsConstants[1][0], 128 / 255.0f, 1e-6);
  EXPECT_NEAR(cache_.psConstants[1][2], 32 / 255.0f, 1e-6);
}

TEST_F(DeviceStateCacheTest, ViewportIgnoresDepthRangeAndEndsTheScene) {
  GetDirect3DState().inScene = 1;
  D_D3DVIEWPORT9 viewport = {0, 0, 320, 240, 0.0f, 1.0f};
  SetDeviceViewport(&viewport);
  EXPECT_EQ(ops_.Count("EndScene"), 1u);
  viewport.MinZ = 0.5f;
  SetDeviceViewport(&viewport);
  EXPECT_EQ(ops_.Count("SetViewport"), 1u);
  EXPECT_FLOAT_EQ(cache_.viewport.MinZ, 0.0f);
}

TEST_F(DeviceStateCacheTest, RefusedViewportLeavesTheCache) {
  ops_.failWith = -2147467259;
  D_D3DVIEWPORT9 viewport = {1, 2, 30, 40, 0.0f, 1.0f};
  EXPECT_EQ(SetDeviceViewport(&viewport), -1);
  EXPECT_EQ(cache_.viewport.Width, 0u);
}

TEST_F(DeviceStateCacheTest, RenderTargetSetsTheViewportToTheWholeSurface) {
  int surface = 0;
  ops_.surfaceWidth = 256;
  ops_.surfaceHeight = 128;
  SetDeviceRenderTarget(&surface);
  EXPECT_EQ(cache_.renderTarget, &surface);
  EXPECT_EQ(cache_.viewport.Width, 256u);
  EXPECT_EQ(cache_.viewport.Height, 128u);
  SetDeviceRenderTarget(&surface);
  EXPECT_EQ(ops_.Count("SetRenderTarget"), 1u);
}

TEST_F(DeviceStateCacheTest, TextureTransformForAllStagesStoresTheMatrixEvenWhenOff) {
  Matrix44 m = {};
  m.m[3][0] = 7.0f;
  SetDeviceTextureTransform(-1, 0, &m);
  for (int s = 0; s < 4; ++s) {
    EXPECT_FLOAT_EQ(cache_.textureMatrix[s].m[3][0], 7.0f);
    EXPECT_EQ(ops_.LastStageState(s, D_D3DTSS_TEXTURETRANSFORMFLAGS), D_D3DTTFF_DISABLE);
  }
  EXPECT_FLOAT_EQ(cache_.textureMatrix[4].m[3][0], 0.0f);
  ops_.calls.clear();
  SetDeviceTextureTransform(5, 0, &m);
  EXPECT_TRUE(ops_.calls.empty());
  SetDeviceTextureTransform(5, 1, &m);
  SetDeviceTextureTransform(5, 1, &m);
  EXPECT_EQ(ops_.CountStageState(5, D_D3DTSS_TEXTURETRANSFORMFLAGS), 1u);
  EXPECT_EQ(ops_.Count("SetTransform"), 2u);
}

TEST_F(DeviceStateCacheTest, AddressForAllStagesGoesFromStageSevenDown) {
  EXPECT_EQ(SetDeviceTextureAddress(D_D3DTADDRESS_WRAP, -1), 0);
  ASSERT_EQ(ops_.Count("SetSamplerState"), 24u);
  EXPECT_EQ(ops_.calls.front().a, 7u);
  EXPECT_EQ(ops_.calls.back().a, 0u);
  EXPECT_EQ(ops_.calls.back().b, D_D3DSAMP_ADDRESSW);
  ops_.calls.clear();
  SetDeviceTextureAddress(D_D3DTADDRESS_WRAP, -1);
  EXPECT_TRUE(ops_.calls.empty());
  EXPECT_EQ(SetDeviceTextureAddress(D_D3DTADDRESS_WRAP, 8), -1);
  SetDeviceTextureAddressV(D_D3DTADDRESS_CLAMP, 3);
  EXPECT_EQ(cache_.addressV[3], D_D3DTADDRESS_CLAMP);
  EXPECT_EQ(cache_.addressU[3], D_D3DTADDRESS_WRAP);
}

TEST_F(DeviceStateCacheTest, ShaderConstantsReachTheDeviceOnlyWhileShadersAreInUse) {
  const float value[4] = {1, 2, 3, 4};
  SetVertexShaderConstants(1, 40, value);
  EXPECT_EQ(ops_.Count("SetVertexShaderConstantF"), 0u);
  EXPECT_FLOAT_EQ(cache_.vsConstants[40][3], 4.0f);
  GetDirect3DState().shadersInUse = 1;
  SetPixelShaderConstants(1, 31, value);
  EXPECT_EQ(ops_.Count("SetPixelShaderConstantF"), 1u);
  // Registers beyond the shadow are refused rather than written past it.
  SetPixelShaderConstants(2, 31, value);
  EXPECT_EQ(ops_.Count("SetPixelShaderConstantF"), 1u);
}

}  // namespace
