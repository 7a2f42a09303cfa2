#include "direct3d9/buffer_handles.h"

#include <string.h>

#include <gtest/gtest.h>

#include "graphics/device_core_link.h"

#include "direct3d9/direct3d_state.h"
#include "direct3d9/device_services.h"
#include "graphics/screen_settings.h"

namespace {

// Without a device the records keep their system-memory copies only.
class BufferHandlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetDirect3DState() = Direct3DState{};
    GetScreenSettings().graphicsSetUp = 1;
  }
  void TearDown() override {
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    DeleteAllShaderHandles();
    GetScreenSettings().graphicsSetUp = 0;
  }
};

TEST_F(BufferHandlesTest, HandlesHaveTheirKindInTheUpperHalf) {
  int vertex = AddVertexBufferRecord(0, 48, 4);
  int index = AddIndexBufferRecord(0, 2, 6);
  const uint32_t code[] = {0xFFFE0200, 0x0000FFFF};
  int shader = AddShaderRecord(1, code, sizeof code);
  EXPECT_EQ((vertex >> 16) & 0x7800, 0x7000);
  EXPECT_EQ((index >> 16) & 0x7800, 0x7800);
  EXPECT_EQ((shader >> 16) & 0x7800, 0x6000);
  EXPECT_EQ(GetVertexBufferRecord(vertex)->handle, vertex);
  EXPECT_EQ(GetShaderRecord(shader)->vertexShader, 1);
  EXPECT_EQ(GetVertexBufferRecord(index), nullptr);
}

TEST_F(BufferHandlesTest, EndIndexAfterDeletes) {
  int a = AddVertexBufferRecord(0, 48, 1);
  int b = AddVertexBufferRecord(0, 48, 1);
  int c = AddVertexBufferRecord(0, 48, 1);
  HandleTable& table = GetVertexBufferTable();
  EXPECT_EQ(DeleteVertexBufferHandle(b), 0);
  EXPECT_EQ(table.endIndex, 3);
  EXPECT_EQ(DeleteVertexBufferHandle(c), 0);
  EXPECT_EQ(table.endIndex, 1);
  EXPECT_EQ(DeleteVertexBufferHandle(a), 0);
  EXPECT_EQ(table.endIndex, 0);
  EXPECT_EQ(DeleteVertexBufferHandle(a), -1);
}

TEST_F(BufferHandlesTest, AStaleHandleOfAReusedSlotIsRefused) {
  int old = AddIndexBufferRecord(0, 2, 3);
  DeleteIndexBufferHandle(old);
  int fresh = AddIndexBufferRecord(0, 2, 3);
  ASSERT_EQ(fresh & 0xFFFF, old & 0xFFFF);
  EXPECT_EQ(GetIndexBufferRecord(old), nullptr);
  const uint16_t data[3] = {1, 2, 3};
  EXPECT_EQ(SetIndexBufferData(0, data, 3, old), -1);
  EXPECT_EQ(SetIndexBufferData(0, data, 3, fresh), 0);
}

TEST_F(BufferHandlesTest, DataRangeMustLieInsideTheBuffer) {
  int handle = AddVertexBufferRecord(0, 4, 4);
  const uint32_t data[5] = {11, 22, 33, 44, 55};
  EXPECT_EQ(SetVertexBufferData(0, data, 4, handle), 0);
  EXPECT_EQ(SetVertexBufferData(0, data, 5, handle), -1);
  EXPECT_EQ(SetVertexBufferData(-1, data, 1, handle), -1);
  EXPECT_EQ(SetVertexBufferData(2, data + 4, 1, handle), 0);
  const uint32_t* copy = reinterpret_cast<const uint32_t*>(GetVertexBufferRecord(handle)->copy);
  EXPECT_EQ(copy[1], 22u);
  EXPECT_EQ(copy[2], 55u);
  EXPECT_EQ(copy[3], 44u);
}

TEST_F(BufferHandlesTest, DeleteAllDoesNothingBeforeTheGraphicsSystemIsUp) {
  int handle = AddVertexBufferRecord(0, 48, 1);
  GetScreenSettings().graphicsSetUp = 0;
  EXPECT_EQ(DeleteAllVertexBufferHandles(), 0);
  EXPECT_NE(GetVertexBufferRecord(handle), nullptr);
  GetScreenSettings().graphicsSetUp = 1;
  DeleteAllVertexBufferHandles();
  EXPECT_EQ(GetVertexBufferRecord(handle), nullptr);
  EXPECT_EQ(GetVertexBufferTable().liveCount, 0);
}

TEST_F(BufferHandlesTest, WithoutMixedVertexProcessingNoDeviceBufferIsMade) {
  int handle = AddVertexBufferRecord(0, 48, 2);
  EXPECT_EQ(RecreateVertexBufferObject(GetVertexBufferRecord(handle)), 0);
  EXPECT_EQ(GetVertexBufferRecord(handle)->object, nullptr);
  // The restore pass leaves the record without a device buffer too.
  LinkDeviceCoreHooks();
  RestoreDeviceResources();
  EXPECT_EQ(GetVertexBufferRecord(handle)->object, nullptr);
  EXPECT_NE(GetVertexBufferRecord(handle), nullptr);
}

TEST_F(BufferHandlesTest, OversizedRecordsAreRefused) {
  EXPECT_EQ(AddVertexBufferRecord(0, 0x10000, 0x10000), -1);
  EXPECT_EQ(AddVertexBufferRecord(0, 48, 0), -1);
}

}  // namespace
