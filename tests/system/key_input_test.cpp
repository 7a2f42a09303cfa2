#include "system/key_input.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "support/key_injection.h"
#include "support/library_session.h"
#include "system/charset.h"
#include "system/handle_table.h"

namespace {

// The ring and the key inputs start empty under the Shift-JIS rules.
class KeyInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitKeyInput();
    SetCharsetCode(kCharsetShiftJis, 932);
  }
  void TearDown() override {
    EndKeyInput();
    SetCharsetCode(0, 0);
  }
};

void PushAll(const std::string& bytes) {
  for (char c : bytes) PushInputChar(static_cast<unsigned char>(c));
}

std::string TextOf(int handle) {
  char text[256];
  if (GetKeyInputText(handle, text, sizeof text) != 0) return "<invalid>";
  return text;
}

TEST_F(KeyInputTest, RingHoldsAtMost1024BytesAndWrapsAround) {
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

TEST_F(KeyInputTest, DoubleByteCharacterWaitsForItsTrailByte) {
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
}

TEST_F(KeyInputTest, ALeadByteIsInsertedWholeInALaterPass) {
  const int handle = MakeKeyInput(8, 0, 0, 0);
  ASSERT_EQ(SetActiveKeyInput(handle), 0);
  const std::string kanji = "漢";
  PushAll("a" + kanji.substr(0, 1));
  EXPECT_EQ(ProcessKeyInput(), 0);
  EXPECT_EQ(TextOf(handle), "a");
  PushAll(kanji.substr(1));
  EXPECT_EQ(ProcessKeyInput(), 0);
  EXPECT_EQ(TextOf(handle), "a" + kanji);
}

TEST_F(KeyInputTest, TextPushedIntoANearlyFullRingKeepsWholeCharacters) {
  for (int i = 0; i < 1022; ++i) PushInputChar('x');
  // Two bytes of room: "a" fits, the double-byte character after it does not.
  EXPECT_EQ(PushInputText("a漢", 3), 1);
  EXPECT_EQ(PushInputText("漢", 2), 0);
  EXPECT_EQ(PushInputText("b", 1), 1);
  char out[2];
  for (int i = 0; i < 1022; ++i) TakeInputChar(out, 1);
  EXPECT_EQ(TakeInputChar(out, 1), 1);
  EXPECT_EQ(out[0], 'a');
  EXPECT_EQ(TakeInputChar(out, 1), 1);
  EXPECT_EQ(out[0], 'b');
  EXPECT_EQ(TakeInputChar(out, 1), 0);
}

TEST_F(KeyInputTest, OnlyLiveHandlesOfTheKeyInputKindAreValid) {
  const int first = MakeKeyInput(4, 0, 0, 0);
  ASSERT_GE(first, 0);
  EXPECT_EQ(HandleKindOf(first), kHandleKindKeyInput);
  ASSERT_EQ(DeleteKeyInput(first), 0);
  const int reused = MakeKeyInput(4, 0, 0, 0);
  ASSERT_GE(reused, 0);
  EXPECT_EQ(HandleSlot(reused), HandleSlot(first));
  const int invalid[] = {
      -1,
      first,  // deleted: its slot now holds another check number
      MakeHandle(HandleSlot(reused), HandleCheck(reused), kHandleKindGraph),
      MakeHandle(HandleSlot(reused) + 1, HandleCheck(reused), kHandleKindKeyInput),
      MakeHandle(kKeyInputLimit, HandleCheck(reused), kHandleKindKeyInput),
  };
  for (int handle : invalid) {
    EXPECT_EQ(CheckKeyInputEnded(handle), -1) << handle;
    EXPECT_EQ(DeleteKeyInput(handle), -1) << handle;
    EXPECT_EQ(SetActiveKeyInput(handle), handle == -1 ? 0 : -1) << handle;
  }
  EXPECT_EQ(CheckKeyInputEnded(reused), 0);
}

TEST_F(KeyInputTest, TheTableHolds256KeyInputsOfSensibleLengths) {
  EXPECT_EQ(MakeKeyInput(0, 0, 0, 0), -1);
  EXPECT_EQ(MakeKeyInput(-5, 0, 0, 0), -1);
  for (int i = 0; i < kKeyInputLimit; ++i) ASSERT_GE(MakeKeyInput(1, 0, 0, 0), 0) << i;
  EXPECT_EQ(MakeKeyInput(1, 0, 0, 0), -1);
}

TEST_F(KeyInputTest, DeletingTheLastKeyInputSwitchesTheImeOff) {
  const int a = MakeKeyInput(4, 0, 0, 0);
  const int b = MakeKeyInput(4, 0, 0, 0);
  EXPECT_EQ(GetKeyInputState().ime.use, 1);
  SetActiveKeyInput(b);
  DeleteKeyInput(b);
  EXPECT_EQ(GetKeyInputState().activeHandle, -1);
  EXPECT_EQ(GetKeyInputState().ime.use, 1);
  DeleteKeyInput(a);
  EXPECT_EQ(GetKeyInputState().ime.use, 0);
}

TEST_F(KeyInputTest, EnterEndsTheInputAndLeavesLaterCharactersInTheRing) {
  const int handle = MakeKeyInput(8, 1, 0, 0);
  SetActiveKeyInput(handle);
  PushAll("ab\rcd");
  EXPECT_EQ(ProcessKeyInput(), 0);
  EXPECT_EQ(CheckKeyInputEnded(handle), 1);
  EXPECT_EQ(TextOf(handle), "ab");
  EXPECT_EQ(ProcessKeyInput(), 0);
  char out[2];
  EXPECT_EQ(TakeInputChar(out, 1), 1);
  EXPECT_EQ(out[0], 'c');

  const int cancelled = MakeKeyInput(8, 1, 0, 0);
  SetActiveKeyInput(cancelled);
  PushAll("x\x1B");
  ProcessKeyInput();
  EXPECT_EQ(CheckKeyInputEnded(cancelled), 2);
}

TEST_F(KeyInputTest, NoActiveKeyInputLeavesTheRingAlone) {
  PushAll("ab");
  EXPECT_EQ(ProcessKeyInput(), 0);
  char out[2];
  EXPECT_EQ(TakeInputChar(out, 1), 1);
  // An active handle that no longer names a key input is reported.
  GetKeyInputState().activeHandle = MakeHandle(3, 5, kHandleKindKeyInput);
  EXPECT_EQ(ProcessKeyInput(), -1);
}

TEST_F(KeyInputTest, TextIsHandedOutInWholeCharacters) {
  const int handle = MakeKeyInput(8, 0, 0, 0);
  SetActiveKeyInput(handle);
  PushAll("a漢b");
  ProcessKeyInput();
  struct Case {
    int bufferSize;
    const char* expected;
  };
  const Case cases[] = {{1, ""}, {2, "a"}, {3, "a"}, {4, "a漢"}, {5, "a漢b"}, {64, "a漢b"}};
  for (const Case& c : cases) {
    char text[64];
    ASSERT_EQ(GetKeyInputText(handle, text, c.bufferSize), 0);
    EXPECT_STREQ(text, c.expected) << c.bufferSize;
  }
  char text[4];
  EXPECT_EQ(GetKeyInputText(handle, text, 0), -1);
  EXPECT_EQ(GetKeyInputText(handle, nullptr, 4), -1);
}

// With the window: the clipboard and the Shift keys are real.
class KeyInputWindowTest : public StartedLibraryTest {
 protected:
  void TearDown() override {
    ReleaseShift();
    StartedLibraryTest::TearDown();
  }

  static void ReleaseShift() { SendKey(VK_LSHIFT, true); }

  // Message passes until the ring is empty.
  static void PumpUntilTyped() {
    char out[2];
    for (int i = 0; i < 100; ++i) {
      PumpMessages();
      if (TakeInputChar(out, 0) == 0 && i > 2) return;
      Sleep(5);
    }
  }

  static std::string Clipboard() {
    char text[256] = {};
    if (ReadClipboardText(text, sizeof text) != 0) return "<none>";
    return text;
  }
};

TEST_F(KeyInputWindowTest, PasteTypesTheClipboardInOnePassWithinTheLimit) {
  const int handle = MakeKeyInput(2, 0, 0, 0);
  SetActiveKeyInput(handle);
  ASSERT_EQ(WriteClipboardText("xyz"), 0);
  PushInputChar(0x16);
  EXPECT_EQ(ProcessKeyInput(), 0);
  EXPECT_EQ(TextOf(handle), "xz");
  char out[2];
  EXPECT_EQ(TakeInputChar(out, 0), 0);
}

TEST_F(KeyInputWindowTest, ShiftWithArrowsAndDeleteCutsToTheClipboard) {
  const int handle = MakeKeyInput(8, 0, 0, 0);
  SetActiveKeyInput(handle);
  ASSERT_EQ(WriteClipboardText("before"), 0);
  for (char c : std::string("abcd")) PostMessageA(window_, WM_CHAR, c, 0);
  PumpUntilTyped();
  ASSERT_EQ(TextOf(handle), "abcd");

  SendKey(VK_LSHIFT, false);
  // The key state is read once per message pass; on a loaded machine the
  // arrows could otherwise be handled in a pass that has not seen Shift yet.
  for (int i = 0; i < 100 && !IsKeyDown(kLeftShiftScanCode); ++i) {
    PumpMessages();
    Sleep(5);
  }
  ASSERT_TRUE(IsKeyDown(kLeftShiftScanCode));
  SendKey(VK_LEFT, false);
  SendKey(VK_LEFT, false);
  SendKey(VK_DELETE, false);
  PumpUntilTyped();
  ReleaseShift();
  EXPECT_EQ(TextOf(handle), "ab");
  EXPECT_EQ(Clipboard(), "cd");

  // Delete alone removes a selection without touching the clipboard.
  PostMessageA(window_, WM_CHAR, 'e', 0);
  PumpUntilTyped();
  KeyInputRecord* record = FindKeyInput(handle);
  record->selectionStart = 0;
  record->selectionEnd = 1;
  SendKey(VK_DELETE, false);
  PumpUntilTyped();
  EXPECT_EQ(TextOf(handle), "be");
  EXPECT_EQ(Clipboard(), "cd");
}

}  // namespace
