#include "system/key_input.h"

#include <gtest/gtest.h>

#include "system/charset.h"

namespace {

TEST(KeyInputTest, RingHoldsAtMost1024BytesAndWrapsAround) {
  InitKeyInput();
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(PushInputChar('a' + i % 26), 0) << i;
    EXPECT_EQ(HasInputCharRoom(), 0);
    EXPECT_EQ(PushInputChar('z'), -1);
    char out[2];
    for (int i = 0; i < 1024; ++i) {
      ASSERT_EQ(TakeInputChar(out, 1), 1);
      ASSERT_EQ(out[0], 'a' + i % 26);
    }
    EXPECT_EQ(TakeInputChar(out, 1), 0);
  }
}

TEST(KeyInputTest, DoubleByteCharacterWaitsForItsTrailByte) {
  InitKeyInput();
  SetCharsetCode(kCharsetShiftJis, 932);
  const char kanji[] = "漢";
  char out[2];
  PushInputChar(kanji[0]);
  EXPECT_EQ(TakeInputChar(out, 1), 0);
  PushInputChar(kanji[1]);
  EXPECT_EQ(TakeInputChar(out, 0), 2);
  EXPECT_EQ(TakeInputChar(out, 1), 2);
  EXPECT_EQ(out[0], kanji[0]);
  EXPECT_EQ(out[1], kanji[1]);
  EXPECT_EQ(TakeInputChar(out, 1), 0);
  SetCharsetCode(0, 0);
}

}  // namespace
