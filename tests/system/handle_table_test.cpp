#include "system/handle_table.h"

#include <gtest/gtest.h>

namespace {

int records[8];

TEST(HandleTableTest, FirstHandleIsSlotZeroWithKindAndCheckZero) {
  HandleTableStorage<kHandleKindGraph, 4> storage;
  int handle = AddHandle(&storage.table, &records[0]);
  EXPECT_EQ(handle, 0x08000000);
  EXPECT_EQ(AddHandle(&storage.table, &records[1]), 0x08010001);
  EXPECT_EQ(LookupHandle(&storage.table, handle), &records[0]);
  EXPECT_EQ(storage.table.liveCount, 2);
  EXPECT_EQ(storage.table.endIndex, 2);
}

TEST(HandleTableTest, LookupRefusesWrongKindRangeSlotAndCheck) {
  HandleTableStorage<kHandleKindGraphImage, 4> storage;
  int handle = AddHandle(&storage.table, &records[0]);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(HandleKindOf(handle), kHandleKindGraphImage);
  const int cases[] = {
      -1,
      MakeHandle(0, 0, kHandleKindGraph),         // other kind
      MakeHandle(5, 0, kHandleKindGraphImage),    // beyond the table
      MakeHandle(1, 0, kHandleKindGraphImage),    // empty slot
      MakeHandle(0, 1, kHandleKindGraphImage),    // wrong check number
      handle | static_cast<int>(0x80000000u),     // negative
  };
  for (int bad : cases) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(LookupHandle(&storage.table, bad), nullptr);
    EXPECT_EQ(RemoveHandle(&storage.table, bad), nullptr);
  }
  EXPECT_EQ(storage.table.liveCount, 1);
}

TEST(HandleTableTest, DeletedHandleStaysDeadWhenItsSlotIsReused) {
  HandleTableStorage<kHandleKindFont, 4> storage;
  int first = AddHandle(&storage.table, &records[0]);
  EXPECT_EQ(RemoveHandle(&storage.table, first), &records[0]);
  EXPECT_EQ(RemoveHandle(&storage.table, first), nullptr);
  int second = AddHandle(&storage.table, &records[1]);
  EXPECT_EQ(HandleSlot(second), HandleSlot(first));
  EXPECT_EQ(LookupHandle(&storage.table, first), nullptr);
  EXPECT_EQ(LookupHandle(&storage.table, second), &records[1]);
}

TEST(HandleTableTest, RemovingTheHighestSlotLowersEndIndexPastEmptySlots) {
  HandleTableStorage<kHandleKindSound, 8> storage;
  int h[4];
  for (int i = 0; i < 4; ++i) h[i] = AddHandle(&storage.table, &records[i]);
  RemoveHandle(&storage.table, h[1]);
  RemoveHandle(&storage.table, h[2]);
  EXPECT_EQ(storage.table.endIndex, 4);
  RemoveHandle(&storage.table, h[3]);
  EXPECT_EQ(storage.table.endIndex, 1);
  EXPECT_EQ(HandleSlot(AddHandle(&storage.table, &records[5])), 1);
  RemoveHandle(&storage.table, h[0]);
  EXPECT_EQ(storage.table.endIndex, 2);
}

TEST(HandleTableTest, RemovingTheOnlyHandleResetsEndIndex) {
  HandleTableStorage<kHandleKindSound, 8> storage;
  int h = AddHandle(&storage.table, &records[0]);
  RemoveHandle(&storage.table, h);
  EXPECT_EQ(storage.table.endIndex, 0);
  EXPECT_EQ(storage.table.liveCount, 0);
}

TEST(HandleTableTest, FullTableRefusesAndThenReusesTheFirstFreeSlot) {
  HandleTableStorage<kHandleKindMask, 3> storage;
  int h[3];
  for (int i = 0; i < 3; ++i) h[i] = AddHandle(&storage.table, &records[i]);
  EXPECT_EQ(AddHandle(&storage.table, &records[3]), -1);
  RemoveHandle(&storage.table, h[0]);
  EXPECT_EQ(storage.table.endIndex, 3);
  int again = AddHandle(&storage.table, &records[4]);
  EXPECT_EQ(HandleSlot(again), 0);
  EXPECT_EQ(AddHandle(&storage.table, nullptr), -1);
}

TEST(HandleTableTest, CheckNumbersWrapAfter2047) {
  HandleTableStorage<kHandleKindMovie, 2> storage;
  int last = -1;
  for (int i = 0; i < kHandleCheckCount; ++i) {
    last = AddHandle(&storage.table, &records[0]);
    RemoveHandle(&storage.table, last);
  }
  EXPECT_EQ(HandleCheck(last), 2047);
  int wrapped = AddHandle(&storage.table, &records[0]);
  EXPECT_EQ(HandleCheck(wrapped), 0);
  EXPECT_GE(wrapped, 0);
}

TEST(HandleTableTest, HandleAtSlotRebuildsLiveHandles) {
  HandleTableStorage<kHandleKindLight, 4> storage;
  int h = AddHandle(&storage.table, &records[0]);
  EXPECT_EQ(HandleAtSlot(&storage.table, 0), h);
  EXPECT_EQ(HandleAtSlot(&storage.table, 1), -1);
  EXPECT_EQ(HandleAtSlot(&storage.table, 9), -1);
}

}  // namespace
