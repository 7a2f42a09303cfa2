#include "direct3d9/primitive_draw.h"

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/d3d_types.h"
#include "direct3d9/device_default_states.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/vertex_batch.h"
#include "support/recording_device_ops.h"

namespace {

struct Point {
  float x, y;
};

class PrimitiveDrawTest : public RecordingDeviceTest {
 protected:
  void SetUp() override {
    RecordingDeviceTest::SetUp();
    InitializeDeviceStates();
    FlushVertexBatch();
    GetDeviceCoreInputs().drawArea = {0, 0, 100, 100};
    ops_.calls.clear();
  }
  // The positions of the pending vertices.
  std::vector<Point> Pending() const {
    const VertexBatch& batch = GetDeviceStateCache().batch;
    std::vector<Point> points;
    for (int i = 0; i < batch.count; ++i) {
      Point p;
      memcpy(&p, batch.buffers[0][batch.type] + i * 20, sizeof p);
      points.push_back(p);
    }
    return points;
  }
};

TEST_F(PrimitiveDrawTest, FilledBoxIsClippedToTheDrawArea) {
  GetDeviceCoreInputs().drawArea = {0, 0, 15, 15};
  ASSERT_EQ(PaintFilledBoxByDevice(20, 20, 10, 10, 0xFFFFFFFF), 0);
  std::vector<Point> v = Pending();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].x, 10.0f);
  EXPECT_FLOAT_EQ(v[0].y, 10.0f);
  EXPECT_FLOAT_EQ(v[3].x, 15.0f);
  EXPECT_FLOAT_EQ(v[3].y, 15.0f);
  EXPECT_EQ(GetDeviceStateCache().batch.type, 0);
}

TEST_F(PrimitiveDrawTest, EmptyBoxesDrawNothing) {
  EXPECT_EQ(PaintFilledBoxByDevice(10, 10, 10, 20, 0xFFFFFFFF), 0);
  EXPECT_EQ(PaintFilledBoxByDevice(200, 10, 300, 20, 0xFFFFFFFF), 0);
  EXPECT_EQ(PaintLineByDevice(5, 5, 5, 5, 0xFFFFFFFF), 0);
  EXPECT_EQ(GetDeviceStateCache().batch.count, 0);
}

TEST_F(PrimitiveDrawTest, OutlineCornersInEitherOrderGiveTheSameSides) {
  PaintBoxOutlineByDevice(10, 10, 20, 20, 0xFFFFFFFF);
  std::vector<Point> forward = Pending();
  FlushVertexBatch();
  PaintBoxOutlineByDevice(20, 10, 10, 20, 0xFFFFFFFF);
  std::vector<Point> reversed = Pending();
  ASSERT_EQ(forward.size(), 24u);
  ASSERT_EQ(reversed.size(), 24u);
  for (size_t i = 0; i < 24; ++i) {
    EXPECT_FLOAT_EQ(forward[i].x, reversed[i].x);
    EXPECT_FLOAT_EQ(forward[i].y, reversed[i].y);
  }
  // Top, right, left, bottom: the sides meet without overlapping.
  EXPECT_FLOAT_EQ(forward[3].y, 11.0f);
  EXPECT_FLOAT_EQ(forward[6].x, 19.0f);
  EXPECT_FLOAT_EQ(forward[6].y, 11.0f);
  EXPECT_FLOAT_EQ(forward[21].x, 19.0f);
  EXPECT_FLOAT_EQ(forward[18].x, 11.0f);
}

TEST_F(PrimitiveDrawTest, StraightLinesStopShortOfTheirLastPixel) {
  const struct {
    int x1, y1, x2, y2;
    float endX, endY;
  } cases[] = {{0, 5, 10, 5, 9.9f, 5.0f},
               {10, 5, 0, 5, 0.1f, 5.0f},
               {3, 0, 3, 8, 3.0f, 7.9f},
               {0, 0, 4, 4, 4.0f, 4.0f}};
  for (const auto& c : cases) {
    FlushVertexBatch();
    PaintLineByDevice(c.x1, c.y1, c.x2, c.y2, 0xFFFFFFFF);
    std::vector<Point> v = Pending();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_FLOAT_EQ(v[1].x, c.endX);
    EXPECT_FLOAT_EQ(v[1].y, c.endY);
  }
  EXPECT_EQ(GetDeviceStateCache().batch.primitiveType, D_D3DPT_LINELIST);
}

TEST_F(PrimitiveDrawTest, ABoxThenALineAreTwoDraws) {
  PaintFilledBoxByDevice(0, 0, 10, 10, 0xFFFFFFFF);
  PaintFilledBoxByDevice(20, 0, 30, 10, 0xFFFFFFFF);
  EXPECT_EQ(ops_.Count("DrawPrimitiveUP"), 0u);
  PaintLineByDevice(0, 50, 10, 50, 0xFFFFFFFF);
  ASSERT_EQ(ops_.Count("DrawPrimitiveUP"), 1u);
  EXPECT_EQ(ops_.calls.back().b, 4u);
}

TEST_F(PrimitiveDrawTest, ColourIsScaledByTheDeviceColour) {
  EXPECT_EQ(ComputePrimitiveColor(0xFFC86432, 0x80FFFFFF), 0x80C86432u);
  EXPECT_EQ(ComputePrimitiveColor(0xFFC86432, 0xFF808080), 0xFF643219u);
}

TEST_F(PrimitiveDrawTest, GridIsOneStripOfJoinedRowPairs) {
  std::vector<uint8_t> vertices(64 * 28);
  ASSERT_EQ(DrawIndexedGridByDevice(8, vertices.data(), 8), 0);
  ASSERT_EQ(ops_.Count("DrawIndexedPrimitiveUP"), 1u);
  const DeviceCall& draw = ops_.calls.back();
  EXPECT_EQ(draw.a, static_cast<uint32_t>(D_D3DPT_TRIANGLESTRIP));
  EXPECT_EQ(draw.b, 122u);  // 7 strips of 14 triangles and 24 joining ones
  EXPECT_EQ(draw.c, 64u);
  EXPECT_EQ(DrawIndexedGridByDevice(1, vertices.data(), 8), -1);
}

TEST_F(PrimitiveDrawTest, WideGridsAreDrawnInSeveralCalls) {
  std::vector<uint8_t> vertices(400 * 3 * 28);
  ASSERT_EQ(DrawIndexedGridByDevice(400, vertices.data(), 3), 0);
  EXPECT_EQ(ops_.Count("DrawIndexedPrimitiveUP"), 2u);
  EXPECT_EQ(DrawIndexedGridByDevice(300, vertices.data(), 300), -1);
}

}  // namespace
