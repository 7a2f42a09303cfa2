#include "system/input_tables.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(InputTablesTest, VirtualKeysReachTheScanCodesOfTheSameKeys) {
  struct Case {
    int virtualKey;
    int scanCode;
  };
  const Case cases[] = {
      {'A', 0x1E},  {'Z', 0x2C},  {'X', 0x2D},  {'S', 0x1F},  {'Q', 0x10},  {'W', 0x11},
      {'0', 0x0B},  {'1', 0x02},  {0x26, 0xC8}, {0x28, 0xD0}, {0x25, 0xCB}, {0x27, 0xCD},
      {0x1B, 0x01}, {0x20, 0x39}, {0xA0, 0x2A}, {0xA1, 0x36}, {0xBA, 0x92}, {0xE2, 0x2B},
      {0x6F, 0xB5}, {0x13, 0xC5}, {0x7A, 0x57}, {0x7B, 0x58}, {0x69, 0x49},
  };
  for (const Case& c : cases) {
    unsigned char virtualKeys[kKeyStateCount] = {};
    unsigned char keys[kKeyStateCount];
    virtualKeys[c.virtualKey] = 0x81;
    MapVirtualKeyStates(virtualKeys, keys);
    for (int scan = 0; scan < kKeyStateCount; ++scan) {
      ASSERT_EQ(keys[scan], scan == c.scanCode ? 0x81 : 0) << c.virtualKey << " " << scan;
    }
  }
}

TEST(InputTablesTest, BothEnterKeysReportTheOneEnterVirtualKey) {
  unsigned char virtualKeys[kKeyStateCount] = {};
  unsigned char keys[kKeyStateCount];
  virtualKeys[0x0D] = 0x80;
  MapVirtualKeyStates(virtualKeys, keys);
  EXPECT_EQ(keys[0x1C], 0x80);
  EXPECT_EQ(keys[0x9C], 0x80);
}

TEST(InputTablesTest, KeysOutsideTheTableAreClearedAndNeverReported) {
  unsigned char virtualKeys[kKeyStateCount];
  unsigned char keys[kKeyStateCount];
  for (int i = 0; i < kKeyStateCount; ++i) {
    virtualKeys[i] = 0x80;
    keys[i] = 0x55;
  }
  MapVirtualKeyStates(virtualKeys, keys);
  int rows = 0;
  const VirtualKeyScanCode* table = GetVirtualKeyScanCodeTable(&rows);
  std::set<int> named;
  for (int i = 0; i < rows; ++i) named.insert(table[i].scanCode);
  EXPECT_EQ(rows, 99);
  EXPECT_EQ(named.size(), 99u) << "every row names its own scan code";
  for (int scan = 0; scan < kKeyStateCount; ++scan) {
    EXPECT_EQ(keys[scan], named.count(scan) ? 0x80 : 0) << scan;
  }
}

TEST(InputTablesTest, TheFirstPadTakesItsKeysAndTheOthersHaveNone) {
  KeyToPadTable table;
  FillKeyToPadTable(&table);
  const int expected[14][2] = {
      {0x50, 0xD0}, {0x4B, 0xCB}, {0x4D, 0xCD}, {0x48, 0xC8}, {0x2C, -1}, {0x2D, -1}, {0x2E, -1},
      {0x1E, -1},   {0x1F, -1},   {0x20, -1},   {0x10, -1},   {0x11, -1}, {0x01, -1}, {0x39, -1},
  };
  for (int pad = 0; pad < kJoypadLimit; ++pad) {
    for (int input = 0; input < kKeyToPadInputCount; ++input) {
      const KeyToPadEntry& entry = table.inputs[pad][input];
      const bool mapped = pad == 0 && input < 14;
      EXPECT_EQ(entry.firstKey, mapped ? expected[input][0] : -1) << pad << " " << input;
      EXPECT_EQ(entry.secondKey, mapped ? expected[input][1] : -1) << pad << " " << input;
    }
  }
}

}  // namespace
