#include "system/network_table.h"

#include <memory>

#include <gtest/gtest.h>

#include "system/handle_table.h"

namespace {

class NetworkTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetNetworkTable(table_.get()); }
  void TearDown() override {
    for (NetworkRecord* record : table_->records) {
      if (record) RemoveNetworkRecord(table_.get(), record);
    }
  }

  int Add(int slot) {
    NetworkRecord* record = AddNetworkRecord(table_.get(), slot);
    return record ? NetworkRecordHandle(record) : -1;
  }

  std::unique_ptr<NetworkTable> table_ = std::make_unique<NetworkTable>();
};

TEST_F(NetworkTableTest, HandlesCarryTheKindTheSlotAndTheCheck) {
  const int first = Add(FindFreeConnectionSlot(table_.get()));
  const int second = Add(FindFreeConnectionSlot(table_.get()));
  EXPECT_EQ(first, MakeHandle(0, 0, kHandleKindNetwork));
  EXPECT_EQ(second, MakeHandle(1, 1, kHandleKindNetwork));
  EXPECT_EQ(FindNetworkRecord(table_.get(), first), table_->records[0]);
  EXPECT_EQ(table_->count, 2);
  // Newest first in the list.
  EXPECT_EQ(table_->head.next, &table_->records[1]->node);
}

TEST_F(NetworkTableTest, TheLowestFreeSlotIsTakenAgain) {
  for (int i = 0; i < 3; ++i) Add(FindFreeConnectionSlot(table_.get()));
  RemoveNetworkRecord(table_.get(), table_->records[1]);
  EXPECT_EQ(FindFreeConnectionSlot(table_.get()), 1);
  EXPECT_EQ(table_->count, 2);
}

TEST_F(NetworkTableTest, StaleAndForeignHandlesFindNothing) {
  const int handle = Add(0);
  RemoveNetworkRecord(table_.get(), table_->records[0]);
  const int reused = Add(0);
  ASSERT_NE(reused, handle);
  EXPECT_EQ(HandleSlot(reused), 0);
  const int listening = Add(kNetworkListenSlot);
  EXPECT_NE(FindNetworkRecord(table_.get(), listening), nullptr);

  const int refused[] = {
      handle,                                             // closed, slot reused
      -1,
      reused | static_cast<int>(0x80000000u),             // bit 31 set
      MakeHandle(0, HandleCheck(reused), kHandleKindGraph),  // another kind
      MakeHandle(kNetworkSlotCount, 0, kHandleKindNetwork),  // past the table
      MakeHandle(0xFFFF, 0, kHandleKindNetwork),
      MakeHandle(5, 0, kHandleKindNetwork),               // empty slot
  };
  for (int h : refused) EXPECT_EQ(FindNetworkRecord(table_.get(), h), nullptr) << std::hex << h;
}

TEST_F(NetworkTableTest, CheckNumbersWrapAfter2047) {
  table_->nextCheck = 2047;
  EXPECT_EQ(HandleCheck(Add(0)), 2047);
  EXPECT_EQ(HandleCheck(Add(1)), 0);
}

TEST_F(NetworkTableTest, TheListeningSlotIsNeverOfferedToAConnection) {
  for (int slot = 0; slot < kNetworkConnectionSlots; ++slot) ASSERT_GE(Add(slot), 0);
  EXPECT_EQ(FindFreeConnectionSlot(table_.get()), -1);
  EXPECT_EQ(table_->records[kNetworkListenSlot], nullptr);
  RemoveNetworkRecord(table_.get(), table_->records[8000]);
  EXPECT_EQ(FindFreeConnectionSlot(table_.get()), 8000);
}

}  // namespace
