#include "direct3d9/device_prepare.h"

#include <gtest/gtest.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_default_states.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "support/recording_device_ops.h"

namespace {

class DevicePrepareTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    InitializeDeviceStates();
    ops_.calls.clear();
  }
  DeviceStateCache& cache_ = GetDeviceStateCache();
  DeviceCoreInputs& inputs_ = GetDeviceCoreInputs();
  int texture_ = 0;
};

TEST_F(DevicePrepareTest, TransparencyKeysPerImageModeAndFilter) {
  const struct {
    const char* name;
    uint8_t alphaByte, keyByte;
    int mode, filter, flags;
    int alphaBlend, colorKey;
  } cases[] = {
      {"alpha image, point", 1, 0, 0, 0, kDrawUseTransparency, 1, 0},
      {"keyed, point", 0, 1, 0, 0, kDrawUseTransparency, 0, 1},
      {"keyed, bilinear", 0, 1, 0, 1, kDrawUseTransparency, 1, 0},
      {"keyed, bilinear, keep test", 0, 1, 0, 1, kDrawUseTransparency | kDrawKeepAlphaTest, 0, 1},
      {"keyed, add", 0, 1, 2, 0, kDrawUseTransparency | kDrawKeepAlphaTest, 1, 0},
      {"keyed, no transparency", 0, 1, 0, 0, 0, 0, 0},
      {"opaque image", 0, 0, 1, 0, kDrawUseTransparency, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t imageFlags[8] = {1, c.alphaByte, 0, 0, 0, 0, 0, c.keyByte};
    inputs_.blendMode = c.mode;
    inputs_.filterMode = c.filter;
    PrepareDeviceDraw(imageFlags, &texture_, c.flags);
    EXPECT_EQ(cache_.alphaBlendTexture, c.alphaBlend);
    EXPECT_EQ(cache_.colorKey, c.colorKey);
    EXPECT_EQ(cache_.drawTexture, &texture_);
  }
}

TEST_F(DevicePrepareTest, ABoxModulatesColourAndDropsTheTexture) {
  uint8_t imageFlags[8] = {1, 1, 0, 0, 0, 0, 0, 0};
  PrepareDeviceDraw(imageFlags, &texture_, kDrawUseTransparency);
  PrepareDeviceDraw(nullptr, nullptr, kDrawColorModulate);
  EXPECT_EQ(cache_.colorModulate, 1);
  EXPECT_EQ(cache_.alphaBlendTexture, 0);
  EXPECT_EQ(cache_.colorKey, 0);
  EXPECT_EQ(cache_.drawTexture, nullptr);
  EXPECT_EQ(GetDirect3DState().lastDrawFlags, kDrawColorModulate);
}

TEST_F(DevicePrepareTest, AnIdenticalSecondDrawReachesNoDevice) {
  uint8_t imageFlags[8] = {1, 1, 0, 0, 0, 0, 0, 0};
  inputs_.blendMode = 1;
  inputs_.drawBright = 0x808080;
  PrepareDeviceDraw(imageFlags, &texture_, kDrawUseTransparency);
  ops_.calls.clear();
  AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
  CommitBatchVertices(6);
  PrepareDeviceDraw(imageFlags, &texture_, kDrawUseTransparency);
  EXPECT_TRUE(ops_.calls.empty());
  EXPECT_EQ(cache_.batch.count, 6);
}

TEST_F(DevicePrepareTest, WithoutAddressModesAWrappedStageGoesBackToClamp) {
  SetDeviceTextureAddress(D_D3DTADDRESS_WRAP, 1);
  ops_.calls.clear();
  PrepareDeviceDraw(nullptr, nullptr, 0);
  EXPECT_EQ(ops_.LastSamplerState(1, D_D3DSAMP_ADDRESSU), D_D3DTADDRESS_CLAMP);
  EXPECT_EQ(ops_.LastSamplerState(1, D_D3DSAMP_ADDRESSW), D_D3DTADDRESS_CLAMP);
  EXPECT_EQ(ops_.CountSamplerState(0, D_D3DSAMP_ADDRESSU), 0u);
}

TEST_F(DevicePrepareTest, AddressModesFromTheDrawSettingsLeaveW) {
  inputs_.addressU[2] = D_D3DTADDRESS_WRAP;
  inputs_.addressW[2] = D_D3DTADDRESS_WRAP;
  PrepareDeviceDraw(nullptr, nullptr, kDrawAddressModes);
  EXPECT_EQ(ops_.LastSamplerState(2, D_D3DSAMP_ADDRESSU), D_D3DTADDRESS_WRAP);
  EXPECT_EQ(ops_.CountSamplerState(2, D_D3DSAMP_ADDRESSW), 0u);
}

TEST_F(DevicePrepareTest, DepthSetsFollowTheDrawKind) {
  EXPECT_EQ(cache_.zEnable, 1);
  EXPECT_EQ(cache_.zWriteEnable, 0);
  PrepareDeviceDraw(nullptr, nullptr, kDraw3DDepth);
  EXPECT_EQ(cache_.zWriteEnable, 1);
  EXPECT_EQ(ops_.LastRenderState(D_D3DRS_ZWRITEENABLE), 1);
  inputs_.depth2D.zEnable = 0;
  PrepareDeviceDraw(nullptr, nullptr, 0);
  EXPECT_EQ(cache_.zEnable, 0);
  EXPECT_EQ(ops_.LastRenderState(D_D3DRS_ZENABLE), 0);
  // Z off leaves the other three cached values as they were.
  EXPECT_EQ(cache_.zWriteEnable, 1);
}

TEST_F(DevicePrepareTest, ShadersAreUnsetAndTheFormatSentAgain) {
  int shader = 0;
  cache_.vertexShader = &shader;
  cache_.pixelShader = &shader;
  cache_.fvf = 0x144;
  PrepareDeviceDraw(nullptr, nullptr, 0);
  EXPECT_EQ(ops_.Count("SetVertexShader"), 1u);
  EXPECT_EQ(ops_.Count("SetPixelShader"), 1u);
  EXPECT_EQ(cache_.fvf, 0u);
  cache_.vertexShader = &shader;
  ops_.calls.clear();
  PrepareDeviceDraw(nullptr, nullptr, kDrawKeepShaders);
  EXPECT_EQ(ops_.Count("SetVertexShader"), 0u);
}

TEST_F(DevicePrepareTest, LightingFollowsTheDrawAndTheCoreMaterial) {
  inputs_.materialChanged = 1;
  inputs_.material.Power = 3.0f;
  PrepareDeviceDraw(nullptr, nullptr, kDrawLighting);
  EXPECT_EQ(inputs_.materialChanged, 0);
  EXPECT_FLOAT_EQ(cache_.material.Power, 3.0f);
  EXPECT_EQ(cache_.diffuseFromVertex, 1);
  PrepareDeviceDraw(nullptr, nullptr, 0);
  EXPECT_EQ(cache_.lightingEnable, 0);
}

class DefaultStatesTest : public RecordingDeviceTest {
 protected:
  DeviceStateCache& cache_ = GetDeviceStateCache();
};

TEST_F(DefaultStatesTest, StartLeavesOnePointQueuedAtTheCorner) {
  InitializeDeviceStates();
  EXPECT_EQ(cache_.batch.count, 1);
  EXPECT_EQ(cache_.batch.primitiveType, D_D3DPT_POINTLIST);
  EXPECT_EQ(GetDirect3DState().inScene, 1);
  // A rectangle is another primitive: the point is drawn first.
  ops_.calls.clear();
  AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
  ASSERT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(ops_.calls.back().a, static_cast<uint32_t>(D_D3DPT_POINTLIST));
  EXPECT_EQ(ops_.calls.back().b, 1u);
}

TEST_F(DefaultStatesTest, FirstFilterModeIsNeverSkipped) {
  InitializeDeviceStates();
  EXPECT_EQ(cache_.filterMode, 0);  // the start's own preparation set it
  cache_.filterMode = 3;
  AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
  CommitBatchVertices(6);
  ops_.calls.clear();
  EXPECT_EQ(SetDeviceFilterMode(0), 0);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(cache_.filterMode, 0);
}

TEST_F(DefaultStatesTest, AddressModesLeftAtZeroBecomeClamp) {
  GetDeviceCoreInputs().addressV[4] = 0;
  InitializeDeviceStates();
  EXPECT_EQ(GetDeviceCoreInputs().addressV[4], D_D3DTADDRESS_CLAMP);
  EXPECT_EQ(ops_.LastSamplerState(4, D_D3DSAMP_ADDRESSV), D_D3DTADDRESS_CLAMP);
}

TEST_F(DefaultStatesTest, ResetSetsTheFixedTextureCoordinateIndexes) {
  GetDirect3DState().tssTempRegister = 1;
  ResetDeviceDefaultStates();
  const int expected[4] = {0, 1, 1, 0};
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(ops_.LastStageState(s, D_D3DTSS_TEXCOORDINDEX), expected[s]);
    EXPECT_EQ(ops_.LastStageState(s, D_D3DTSS_RESULTARG), D_D3DTA_CURRENT);
  }
  EXPECT_FLOAT_EQ(cache_.psConstants[0][1], 0.5f);
  EXPECT_FLOAT_EQ(cache_.vsConstants[0][1], 1.0f);
}

TEST_F(DefaultStatesTest, ResendAllSendsOnlyLightsThatWereSet) {
  InitializeDeviceStates();
  D_D3DLIGHT9 light = {};
  light.Type = D_D3DLIGHT_DIRECTIONAL;
  SetDeviceLight(7, &light);
  EnableDeviceLight(7, 0);
  SetDeviceAmbientColor(0xFF808080);
  ops_.calls.clear();
  ResendAllDeviceStates();
  ASSERT_EQ(ops_.Count("SetLight"), 1u);
  EXPECT_EQ(ops_.LastRenderState(D_D3DRS_AMBIENT), 0xFF808080);
  size_t enables = 0;
  for (const DeviceCall& call : ops_.calls)
    if (call.name == "LightEnable") {
      ++enables;
      EXPECT_EQ(call.a, 7u);
      EXPECT_EQ(call.b, 0u);
    }
  EXPECT_EQ(enables, 1u);
  EXPECT_EQ(cache_.forceResend, 0);
}

TEST_F(DefaultStatesTest, ResendAllDropsPendingVerticesAndForcesEveryState) {
  InitializeDeviceStates();
  ops_.calls.clear();
  ResendAllDeviceStates();
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 0u);
  EXPECT_EQ(cache_.batch.count, 0);
  EXPECT_GE(ops_.CountRenderState(D_D3DRS_CULLMODE), 2u);
  EXPECT_GE(ops_.CountRenderState(D_D3DRS_ZFUNC), 1u);
  EXPECT_EQ(ops_.Count("SetViewport"), 2u);
}

}  // namespace
