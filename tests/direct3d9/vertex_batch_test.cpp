#include "direct3d9/vertex_batch.h"

#include <string.h>

#include <gtest/gtest.h>

#include "direct3d9/d3d_types.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "support/recording_device_ops.h"
#include "system/system_state.h"

namespace {

class VertexBatchTest : public RecordingDeviceTest {
 protected:
  void Append(int primitive, int count) {
    AppendBatchVertices(primitive, count);
    CommitBatchVertices(count);
  }
  VertexBatch& batch_ = GetDeviceStateCache().batch;
};

TEST_F(VertexBatchTest, ArraysHoldTheirFixedWords) {
  for (int type = 0; type < 3; ++type) {
    const BatchVertexFormat& format = kBatchVertexFormats[0][type];
    const uint8_t* last = batch_.buffers[0][type] + (format.capacity - 1) * format.stride;
    float z, rhw;
    memcpy(&z, last + 8, 4);
    memcpy(&rhw, last + 12, 4);
    EXPECT_EQ(z, 0.0f) << type;
    EXPECT_EQ(rhw, 1.0f) << type;
  }
  uint32_t specular;
  memcpy(&specular, batch_.buffers[0][2] + 24, 4);
  EXPECT_EQ(specular, 0xFFFFFFFFu);
}

TEST_F(VertexBatchTest, TwoRectanglesOfOneStateAreOneDraw) {
  Append(D_D3DPT_TRIANGLELIST, 6);
  Append(D_D3DPT_TRIANGLELIST, 6);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 0u);
  FlushVertexBatch();
  ASSERT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  const DeviceCall& draw = ops_.calls.back();
  EXPECT_EQ(draw.a, static_cast<uint32_t>(D_D3DPT_TRIANGLELIST));
  EXPECT_EQ(draw.b, 4u);
  EXPECT_EQ(draw.c, 28u);
  EXPECT_EQ(ops_.LastRenderState(0), -1);
  EXPECT_EQ(ops_.Count("SetFVF"), 1u);
}

TEST_F(VertexBatchTest, ALineAfterARectangleDrawsTheRectangleFirst) {
  Append(D_D3DPT_TRIANGLELIST, 6);
  AppendBatchVertices(D_D3DPT_LINELIST, 2);
  ASSERT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(ops_.calls.back().b, 2u);
  EXPECT_EQ(batch_.count, 0);
  EXPECT_EQ(batch_.primitiveType, D_D3DPT_LINELIST);
}

TEST_F(VertexBatchTest, AFullArrayIsDrawnBeforeThePrimitiveThatWouldNotFit) {
  batch_.type = 0;
  batch_.writePointer = batch_.buffers[0][0];
  Append(D_D3DPT_TRIANGLELIST, 3222);
  AppendBatchVertices(D_D3DPT_TRIANGLELIST, 6);
  ASSERT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(ops_.calls.back().b, 1074u);
  EXPECT_EQ(batch_.writePointer, batch_.buffers[0][0]);
}

TEST_F(VertexBatchTest, EmptyFlushOpensNoScene) {
  EXPECT_EQ(FlushVertexBatch(), 0);
  EXPECT_TRUE(ops_.calls.empty());
  Append(D_D3DPT_POINTLIST, 1);
  FlushVertexBatch();
  EXPECT_EQ(ops_.Count("BeginScene"), 1u);
  EXPECT_EQ(GetDirect3DState().inScene, 1);
}

TEST_F(VertexBatchTest, PendingVerticesAreDroppedOnceTheEndIsRequested) {
  Append(D_D3DPT_TRIANGLELIST, 6);
  GetSystemState().run.endRequested = 1;
  EXPECT_EQ(FlushVertexBatch(), 0);
  GetSystemState().run.endRequested = 0;
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 0u);
  EXPECT_EQ(batch_.count, 0);
}

TEST_F(VertexBatchTest, SuppressedDrawsEmptyTheBatchWithoutDrawing) {
  Append(D_D3DPT_TRIANGLELIST, 6);
  GetDeviceStateCache().suppressDraw = 1;
  FlushVertexBatch();
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 0u);
  EXPECT_EQ(batch_.count, 0);
}

TEST_F(VertexBatchTest, PrimitiveCountsPerType) {
  const struct {
    int type, vertices, primitives;
  } cases[] = {{D_D3DPT_POINTLIST, 5, 5},     {D_D3DPT_LINELIST, 5, 2},
               {D_D3DPT_LINESTRIP, 5, 4},     {D_D3DPT_TRIANGLELIST, 7, 2},
               {D_D3DPT_TRIANGLESTRIP, 7, 5}, {D_D3DPT_TRIANGLEFAN, 7, 5},
               {9, 7, 0}};
  for (const auto& c : cases) EXPECT_EQ(CountPrimitives(c.type, c.vertices), c.primitives) << c.type;
}

TEST_F(VertexBatchTest, TheFormatIsSentOnlyWhenItChanges) {
  Append(D_D3DPT_TRIANGLELIST, 6);
  FlushVertexBatch();
  Append(D_D3DPT_TRIANGLELIST, 6);
  FlushVertexBatch();
  EXPECT_EQ(ops_.Count("SetFVF"), 1u);
  GetDeviceStateCache().fvf = 0;
  Append(D_D3DPT_TRIANGLELIST, 6);
  FlushVertexBatch();
  EXPECT_EQ(ops_.Count("SetFVF"), 2u);
}

}  // namespace
