#include "direct3d9/blend_apply.h"

#include <gtest/gtest.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "support/recording_device_ops.h"

namespace {

// The graphics core as the white graph sees it: graphs made from file
// images are counted, and the one graph made has a texture.
struct FakeCore {
  int created = 0;
  int texture = 0;
  static constexpr int kGraph = 0x08000005;
};
FakeCore fakeCore;

void LinkFakeCore() {
  fakeCore = FakeCore{};
  DeviceCoreHooks& hooks = GetDeviceCoreInputs().hooks;
  hooks.getGraphTexture = [](int graph) -> void* {
    return graph == FakeCore::kGraph && fakeCore.created ? &fakeCore.texture : nullptr;
  };
  hooks.createGraphFromFileImage = [](const void*, int) {
    ++fakeCore.created;
    return FakeCore::kGraph;
  };
  hooks.getGraphTransColor = [](int* enabled) {
    *enabled = 1;
    return 0;
  };
  hooks.setGraphTransColor = [](int, int) {};
}

class BlendApplyTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    LinkFakeCore();
    cache_.whiteGraph = 0;
    cache_.sentBlend.stageCount = 1;
    cache_.filterMode = 0;
    cache_.forceResend = 1;
    ApplyDeviceBlendState(nullptr, 1, 0);
    cache_.forceResend = 0;
    ops_.calls.clear();
  }
  void Apply(int mode, void* texture, int alphaBlend = 0, int colorKey = 0) {
    cache_.drawBlendMode = mode;
    cache_.drawTexture = texture;
    cache_.alphaBlendTexture = alphaBlend;
    cache_.colorKey = colorKey;
    cache_.blendDirty = 1;
    ASSERT_EQ(ApplyDeviceBlendState(nullptr, 1, 0), 0);
  }
  DeviceStateCache& cache_ = GetDeviceStateCache();
  const DeviceBlendInfo& sent_ = GetDeviceStateCache().sentBlend;
  int texture_ = 0;
};

TEST_F(BlendApplyTest, PlainTexturedDrawIsOneStageWithoutTestOrBlending) {
  Apply(0, &texture_);
  EXPECT_EQ(sent_.stageCount, 1);
  EXPECT_EQ(sent_.alphaTestEnable, 0);
  EXPECT_EQ(sent_.alphaBlendEnable, 0);
  EXPECT_EQ(sent_.stages[0].colorOp, D_D3DTOP_SELECTARG1);
  EXPECT_EQ(sent_.stages[0].colorArg1, D_D3DTA_TEXTURE);
  EXPECT_EQ(sent_.stages[0].alphaOp, D_D3DTOP_SELECTARG2);
  EXPECT_EQ(sent_.stages[0].alphaArg2, D_D3DTA_DIFFUSE);
  EXPECT_EQ(sent_.stages[1].colorOp, D_D3DTOP_DISABLE);
  EXPECT_EQ(ops_.LastTexture(0), &texture_);
  EXPECT_EQ(cache_.batch.type, 1);
}

TEST_F(BlendApplyTest, FactorsAndKeysPerMode) {
  const struct {
    const char* name;
    int mode, alphaBlend, colorKey, nativeBlendOp;
    int test, ref, func, blend, src, dest, op;
  } cases[] = {
      {"keyed", 0, 0, 1, 0, 1, 16, D_D3DCMP_GREATER, 0, -1, -1, 1},
      {"alpha image", 0, 1, 0, 0, 0, -1, -1, 1, D_D3DBLEND_SRCALPHA, D_D3DBLEND_INVSRCALPHA, 1},
      {"alpha", 1, 1, 0, 0, 0, -1, -1, 1, D_D3DBLEND_SRCALPHA, D_D3DBLEND_INVSRCALPHA, 1},
      {"add", 2, 1, 0, 0, 0, -1, -1, 1, D_D3DBLEND_SRCALPHA, D_D3DBLEND_ONE, 1},
      {"subtract native", 3, 0, 0, 1, 0, -1, -1, 1, D_D3DBLEND_SRCALPHA, D_D3DBLEND_ONE,
       D_D3DBLENDOP_REVSUBTRACT},
      {"subtract emulated", 3, 0, 0, 0, 0, -1, -1, 1, D_D3DBLEND_INVDESTCOLOR, D_D3DBLEND_ZERO,
       D_D3DBLENDOP_ADD},
      {"multiply", 4, 0, 0, 0, 0, -1, -1, 1, D_D3DBLEND_ZERO, D_D3DBLEND_SRCCOLOR, 1},
      {"reverse subtract", 14, 0, 0, 0, 0, -1, -1, 1, D_D3DBLEND_SRCALPHA, D_D3DBLEND_ONE,
       D_D3DBLENDOP_REVSUBTRACT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GetDirect3DState().nativeBlendOp = c.nativeBlendOp;
    Apply(c.mode, &texture_, c.alphaBlend, c.colorKey);
    EXPECT_EQ(sent_.alphaTestEnable, c.test);
    if (c.ref >= 0) {
      EXPECT_EQ(sent_.alphaRef, c.ref);
    }
    if (c.func >= 0) {
      EXPECT_EQ(sent_.alphaFunc, c.func);
    }
    EXPECT_EQ(sent_.alphaBlendEnable, c.blend);
    if (c.src >= 0) {
      EXPECT_EQ(sent_.srcBlend, c.src);
    }
    if (c.dest >= 0) {
      EXPECT_EQ(sent_.destBlend, c.dest);
    }
    EXPECT_EQ(sent_.blendOp, c.op);
  }
}

TEST_F(BlendApplyTest, AlphaImageInModeZeroUsesAlphaLevelOne) {
  Apply(0, &texture_, 1, 0);
  EXPECT_EQ(sent_.stages[0].alphaOp, D_D3DTOP_SELECTARG1);
  EXPECT_EQ(sent_.stages[0].alphaArg1, D_D3DTA_TEXTURE);
}

TEST_F(BlendApplyTest, BlendTextureThresholdAndRamp) {
  int blendTexture = 0;
  cache_.blendTexture = &blendTexture;
  const struct {
    int border, range;
    int test, ref, blend;
    uint32_t factor;
    int stage0AlphaOp, stage1AlphaOp;
  } cases[] = {
      {128, 0, 1, 128, 0, 0x00FFFFFF, D_D3DTOP_ADD, D_D3DTOP_MODULATE},
      {0, 200, 0, -1, 1, 0xFFFFFFFF, D_D3DTOP_ADD, D_D3DTOP_MODULATE},
      {255, 200, 0, -1, 1, 0xFFFFFFFF, D_D3DTOP_SUBTRACT, D_D3DTOP_MODULATE},
      {128, 100, 0, -1, 1, (255u - (768u - 128u * 768 / 255) * 255 / 512) << 24 | 0xFFFFFF, D_D3DTOP_SUBTRACT,
       D_D3DTOP_MODULATE2X},
      {0, 10, 0, -1, 1, 64u << 24 | 0xFFFFFF, D_D3DTOP_ADD, D_D3DTOP_MODULATE4X},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.border * 1000 + c.range);
    cache_.blendBorderParam = c.border;
    cache_.blendRangeParam = c.range;
    Apply(0, &texture_);
    EXPECT_EQ(sent_.alphaTestEnable, c.test);
    if (c.ref >= 0) {
      EXPECT_EQ(sent_.alphaRef, c.ref);
      EXPECT_EQ(sent_.alphaFunc, D_D3DCMP_GREATEREQUAL);
    }
    EXPECT_EQ(sent_.alphaBlendEnable, c.blend);
    EXPECT_EQ(sent_.textureFactor, c.factor);
    EXPECT_EQ(sent_.stages[0].alphaOp, c.stage0AlphaOp);
    EXPECT_EQ(sent_.stages[1].alphaOp, c.stage1AlphaOp);
    EXPECT_EQ(cache_.suppressDraw, c.border == 255 ? 1 : 0);
    EXPECT_EQ(ops_.LastTexture(0), &blendTexture);
    EXPECT_EQ(ops_.LastTexture(1), &texture_);
    EXPECT_EQ(cache_.batch.type, 2);
  }
}

TEST_F(BlendApplyTest, OnlyATextureChangeSendsOneSetTexture) {
  Apply(1, &texture_);
  ops_.calls.clear();
  int other = 0;
  SetDeviceTexture(&other);
  ASSERT_EQ(ApplyDeviceBlendState(nullptr, 1, 0), 0);
  ASSERT_EQ(ops_.calls.size(), 1u);
  EXPECT_EQ(ops_.calls[0].name, "SetTexture");
  EXPECT_EQ(ops_.calls[0].pointer, &other);
  EXPECT_EQ(ApplyDeviceBlendState(nullptr, 1, 0), -1);
}

TEST_F(BlendApplyTest, ChangedStageCountResendsTheFilterForTheNewStages) {
  int blendTexture = 0;
  cache_.blendTexture = &blendTexture;
  cache_.blendRangeParam = 200;
  Apply(0, &texture_);
  EXPECT_EQ(sent_.stageCount, 2);
  EXPECT_EQ(ops_.CountSamplerState(1, D_D3DSAMP_MAGFILTER), 1u);
  ops_.calls.clear();
  Apply(0, &texture_);
  EXPECT_EQ(ops_.CountSamplerState(1, D_D3DSAMP_MAGFILTER), 0u);
}

TEST_F(BlendApplyTest, OneStageSetSendsItsEndRecordAndStops) {
  cache_.forceResend = 1;
  Apply(0, &texture_);
  cache_.forceResend = 0;
  EXPECT_EQ(ops_.CountStageState(1, D_D3DTSS_COLOROP), 1u);
  EXPECT_EQ(ops_.CountStageState(2, D_D3DTSS_COLOROP), 0u);
}

TEST_F(BlendApplyTest, UntexturedModesBuildTheirOwnStage) {
  Apply(10, nullptr);
  EXPECT_EQ(sent_.stages[0].colorArg1, D_D3DTA_DIFFUSE | D_D3DTA_COMPLEMENT);
  Apply(11, nullptr);
  EXPECT_EQ(sent_.stages[0].colorOp, D_D3DTOP_BLENDDIFFUSEALPHA);
  EXPECT_EQ(sent_.textureFactor, 0xFFFFFFFFu);
  Apply(3, nullptr);
  EXPECT_EQ(sent_.stages[0].colorOp, D_D3DTOP_SELECTARG1);
  EXPECT_EQ(sent_.stages[0].colorArg1, D_D3DTA_DIFFUSE);
  EXPECT_EQ(cache_.batch.type, 0);
}

TEST_F(BlendApplyTest, UntexturedModeTwelveMakesItsWhiteGraphOnceAndUsesIt) {
  for (int i = 0; i < 5; ++i) {
    Apply(12, nullptr);
    EXPECT_EQ(sent_.stages[0].texture, &fakeCore.texture) << "application " << i;
  }
  EXPECT_EQ(fakeCore.created, 1);
  EXPECT_EQ(sent_.stages[0].colorOp, D_D3DTOP_MODULATE4X);
}

TEST_F(BlendApplyTest, AlphaTestOverrideWins) {
  cache_.alphaTestFuncOverride = D_D3DCMP_GREATEREQUAL;
  cache_.alphaTestRefOverride = 99;
  Apply(1, &texture_);
  EXPECT_EQ(sent_.alphaTestEnable, 1);
  EXPECT_EQ(sent_.alphaRef, 99);
}

TEST_F(BlendApplyTest, TextureFactorGoesToThePixelConstantAsBgra) {
  int blendTexture = 0;
  cache_.blendTexture = &blendTexture;
  cache_.blendBorderParam = 10;
  cache_.blendRangeParam = 0;
  Apply(0, &texture_);
  const float* c5 = cache_.psConstants[5];
  EXPECT_FLOAT_EQ(c5[0], 1.0f);
  EXPECT_FLOAT_EQ(c5[3], 0.0f);
}

TEST_F(BlendApplyTest, UserDescriptionIsAppliedAtOnceAndThenDropped) {
  DeviceBlendInfo info = {};
  info.alphaTestEnable = 1;
  info.alphaRef = 5;
  info.alphaFunc = D_D3DCMP_GREATER;
  info.srcBlend = info.destBlend = info.blendOp = -1;
  info.stageCount = 0;
  info.stages[0] = GetStageSetBlock(0, 0, 0, 0, 0).stages[1];
  SetUserDeviceBlendInfo(&info, 0);
  EXPECT_EQ(sent_.alphaRef, 5);
  EXPECT_EQ(cache_.userBlendActive, 1);
  SetUserDeviceBlendInfo(nullptr, 0);
  EXPECT_EQ(cache_.userBlendActive, 0);
}

TEST(StageSetTableTest, BlocksFollowTheirIndexRules) {
  // Alpha level 1 with alpha modulate adds the fourth stage.
  EXPECT_EQ(GetStageSetBlock(0, 1, 0, 1, 1).count, 4);
  EXPECT_EQ(GetStageSetBlock(0, 1, 0, 0, 1).count, 3);
  EXPECT_EQ(GetStageSetBlock(3, 1, 1, 1, 2).count, 3);
  EXPECT_EQ(GetStageSetBlock(1, 0, 0, 0, 0).count, 2);
  EXPECT_EQ(GetStageSetBlock(3, 0, 1, 0, 0).stages[0].colorOp, D_D3DTOP_MODULATE4X);
  EXPECT_EQ(GetStageSetBlock(0, 0, 1, 0, 0).stages[0].colorOp, D_D3DTOP_MODULATE);
  const StageSetBlock& block = GetStageSetBlock(2, 0, 0, 1, 2);
  EXPECT_EQ(block.stages[0].alphaOp, D_D3DTOP_MODULATE);
  EXPECT_EQ(block.stages[1].alphaOp, D_D3DTOP_DISABLE);
  EXPECT_EQ(block.stages[1].texCoordIndex, -1);
}

}  // namespace
