// Which path each graph back end takes, watched call by call on a recording
// device: rectangles and parallelograms through the batch, a general quad
// as one 8 x 8 grid draw, a quad under a blend graph as a directly drawn
// strip on truncated corners.
#include "direct3d9/device_draw.h"

#include <string.h>

#include <gtest/gtest.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/graph_handles.h"
#include "support/recording_device_ops.h"

namespace {

// A 32 x 32 graph of one 32 x 32 texture piece, built by hand.
class DeviceDrawPathsTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    DeviceCoreInputs& inputs = GetDeviceCoreInputs();
    inputs.drawArea = {0, 0, 640, 480};
    const float area[4] = {0, 0, 640, 480};
    memcpy(inputs.drawAreaF, area, sizeof area);
    texturePiece_.texture = &texture_;
    texturePiece_.usedWidth = texturePiece_.textureWidth = 32;
    texturePiece_.usedHeight = texturePiece_.textureHeight = 32;
    original_.hardwareImage = 1;
    original_.pieceCount = 1;
    original_.pieces = &texturePiece_;
    piece_.width = piece_.height = 32;
    const float corners[4][4] = {{0, 0, 0, 0}, {32, 0, 1, 0}, {0, 32, 0, 1}, {32, 32, 1, 1}};
    memcpy(piece_.corners, corners, sizeof corners);
    piece_.cornerFlags[0] = piece_.cornerFlags[1] = piece_.cornerFlags[2] = 1;
    piece_.texturePiece = &texturePiece_;
    record_.original = &original_;
    record_.width = record_.height = 32;
    record_.drawPieceCount = 1;
    record_.drawPieces = &piece_;
  }
  int texture_ = 0;
  GraphTexturePiece texturePiece_ = {};
  GraphOriginalImage original_ = {};
  GraphDrawPiece piece_ = {};
  GraphRecord record_ = {};
};

TEST_F(DeviceDrawPathsTest, ARotatedRectangleGoesThroughTheBatch) {
  // A square turned by 45 degrees: a parallelogram.
  ASSERT_EQ(PutGraphQuadFloatByDevice(100, 50, 150, 100, 50, 100, 100, 150, &record_, 0), 0);
  EXPECT_EQ(GetDeviceStateCache().batch.count, 6);
  EXPECT_EQ(ops_.Count("DrawIndexedPrimitiveUP"), 0u);
}

TEST_F(DeviceDrawPathsTest, ATrapezoidIsOneGridDrawOfSevenJoinedStrips) {
  ASSERT_EQ(PutGraphQuadFloatByDevice(100, 50, 140, 50, 60, 150, 180, 150, &record_, 0), 0);
  ASSERT_EQ(ops_.Count("DrawIndexedPrimitiveUP"), 1u);
  for (const DeviceCall& call : ops_.calls) {
    if (call.name != "DrawIndexedPrimitiveUP") continue;
    EXPECT_EQ(call.a, static_cast<uint32_t>(D_D3DPT_TRIANGLESTRIP));
    // 7 strips of 14 triangles, joined by 4 degenerate ones each: 122.
    EXPECT_EQ(call.b, 122u);
    EXPECT_EQ(call.c, 64u);
  }
}

TEST_F(DeviceDrawPathsTest, AnUprightQuadWithIntegerCornersIsAStretchedDraw) {
  ASSERT_EQ(PutGraphQuadByDevice(&record_, 10, 20, 74, 20, 10, 84, 74, 84, 0), 0);
  EXPECT_EQ(GetDeviceStateCache().batch.count, 6);
  float x, y;
  memcpy(&x, GetDeviceStateCache().batch.buffers[0][1] + 3 * 28, 4);
  memcpy(&y, GetDeviceStateCache().batch.buffers[0][1] + 3 * 28 + 4, 4);
  EXPECT_FLOAT_EQ(x, 73.5f);
  EXPECT_FLOAT_EQ(y, 83.5f);
}

TEST_F(DeviceDrawPathsTest, UnderABlendGraphAFreeQuadIsAStripOnTruncatedCorners) {
  int blendTexture = 0;
  DeviceStateCache& cache = GetDeviceStateCache();
  GetDeviceCoreInputs().blendGraph = 0x08000001;
  SetDeviceBlendTexture(&blendTexture, 10, 0);
  cache.blendTextureInvWidth = cache.blendTextureInvHeight = 1.0f / 32;
  ASSERT_EQ(PutGraphQuadFloatByDevice(10.9f, 20.7f, 50.2f, 22.0f, 12.0f, 60.5f, 55.0f, 66.0f,
                                      &record_, 0),
            0);
  ASSERT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  for (const DeviceCall& call : ops_.calls) {
    if (call.name != "DrawPrimitiveUP") continue;
    EXPECT_EQ(call.a, static_cast<uint32_t>(D_D3DPT_TRIANGLESTRIP));
    EXPECT_EQ(call.b, 2u);
    EXPECT_EQ(call.c, 40u);  // with the blend texture's coordinates
    float x, y;
    memcpy(&x, call.pointer, 4);
    memcpy(&y, static_cast<const uint8_t*>(call.pointer) + 4, 4);
    // (10.9, 20.7) truncates to (10, 20), then the half-pixel shift.
    EXPECT_FLOAT_EQ(x, 9.5f);
    EXPECT_FLOAT_EQ(y, 19.5f);
  }
}

TEST_F(DeviceDrawPathsTest, AStretchToNoWidthIsRefusedAndReversedCornersMirror) {
  EXPECT_EQ(PutGraphStretchedByDevice(5, 5, 5, 40, 5, 5, 5, 40, &record_, 0, 1), -1);
  ASSERT_EQ(PutGraphStretchedByDevice(40, 5, 8, 37, 40, 5, 8, 37, &record_, 0, 1), 0);
  const uint8_t* v = GetDeviceStateCache().batch.buffers[0][1];
  float x0, x1, u0;
  memcpy(&x0, v, 4);
  memcpy(&x1, v + 28, 4);
  memcpy(&u0, v + 20, 4);
  // The top-left corner of the image is drawn at the right.
  EXPECT_FLOAT_EQ(x0, 39.5f);
  EXPECT_FLOAT_EQ(x1, 7.5f);
  EXPECT_FLOAT_EQ(u0, 0.0f);
}

TEST_F(DeviceDrawPathsTest, WithoutADeviceEveryBackEndRefuses) {
  InstallDeviceOps(nullptr);
  EXPECT_EQ(PutGraphByDevice(&record_, 0, 0, 0, 0, 0, 1), -1);
  EXPECT_EQ(PutGraphStretchedByDevice(0, 0, 9, 9, 0, 0, 9, 9, &record_, 0, 1), -1);
  EXPECT_EQ(PutGraphQuadFloatByDevice(0, 0, 9, 0, 0, 9, 9, 9, &record_, 0), -1);
  EXPECT_EQ(PutGraphQuadByDevice(&record_, 0, 0, 9, 0, 0, 9, 9, 9, 0), -1);
}

}  // namespace
