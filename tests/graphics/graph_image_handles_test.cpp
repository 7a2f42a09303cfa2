#include "graphics/graph_image.h"
#include "system/handle_table.h"
#include "system/system_state.h"

#include <gtest/gtest.h>

namespace {

class GraphImageHandlesTest : public ::testing::Test {
 protected:
  void TearDown() override { DeleteAllGraphImageHandles(); }

  static int AddImage() {
    GraphImage image{};
    if (AllocGraphImageXRGB8(2, 2, &image) != 0) return -1;
    return AddGraphImageHandle(&image);
  }
};

TEST_F(GraphImageHandlesTest, AddingTakesOverTheImage) {
  GraphImage image{};
  ASSERT_EQ(AllocGraphImageARGB8(3, 2, &image), 0);
  void* pixels = image.pixels;
  int handle = AddGraphImageHandle(&image);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(HandleKindOf(handle), kHandleKindGraphImage);
  EXPECT_EQ(image.pixels, nullptr);
  GraphImage* held = GetGraphImageFromHandle(handle);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->pixels, pixels);
  EXPECT_EQ(held->width, 3);
}

TEST_F(GraphImageHandlesTest, DeletingTheOnlyHandleTwiceFails) {
  int handle = AddImage();
  ASSERT_GE(handle, 0);
  EXPECT_EQ(DeleteGraphImageHandle(handle), 0);
  EXPECT_EQ(GetGraphImageFromHandle(handle), nullptr);
  EXPECT_EQ(DeleteGraphImageHandle(handle), -1);
  // The end index went back to 0, so the next image takes slot 0 again.
  EXPECT_EQ(HandleSlot(AddImage()), 0);
}

TEST_F(GraphImageHandlesTest, DeleteRefusesHandlesThatAreNotGraphImages) {
  int handle = AddImage();
  const int slot = HandleSlot(handle), check = HandleCheck(handle);
  const int cases[] = {-1, MakeHandle(slot, check, kHandleKindGraph),
                       MakeHandle(8192, 0, kHandleKindGraphImage),
                       MakeHandle(slot, check + 1, kHandleKindGraphImage)};
  for (int bad : cases) EXPECT_EQ(DeleteGraphImageHandle(bad), -1) << bad;
  EXPECT_NE(GetGraphImageFromHandle(handle), nullptr);
}

TEST_F(GraphImageHandlesTest, TableHolds8192ImagesAndDeleteAllEmptiesIt) {
  int last = -1;
  for (int i = 0; i < 8192; ++i) {
    GraphImage image{};
    image.width = 1;
    last = AddGraphImageHandle(&image);
    ASSERT_GE(last, 0) << i;
  }
  EXPECT_EQ(HandleSlot(last), 8191);
  GraphImage extra{};
  ASSERT_EQ(AllocGraphImageXRGB8(1, 1, &extra), 0);
  EXPECT_EQ(AddGraphImageHandle(&extra), -1);
  EXPECT_NE(extra.pixels, nullptr);
  FreeGraphImage(&extra);
  EXPECT_EQ(EndGraphImageHandles(), 0);
  EXPECT_EQ(GetGraphImageFromHandle(last), nullptr);
  EXPECT_EQ(HandleSlot(AddImage()), 0);
}

TEST_F(GraphImageHandlesTest, DeletingFreesTheImageAndItsRecord) {
  const int blocksBefore = GetSystemState().memory.blockCount;
  int a = AddImage(), b = AddImage();
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_EQ(GetSystemState().memory.blockCount, blocksBefore + 4);
  EXPECT_EQ(DeleteGraphImageHandle(a), 0);
  EXPECT_EQ(GetSystemState().memory.blockCount, blocksBefore + 2);
  EXPECT_EQ(DeleteAllGraphImageHandles(), 0);
  EXPECT_EQ(GetSystemState().memory.blockCount, blocksBefore);
}

}  // namespace
