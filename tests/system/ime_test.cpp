#include "system/ime.h"

#include <windows.h>
#include <imm.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/charset.h"
#include "system/key_input.h"
#include "system/system_state.h"

namespace {

// An IME played by the test through the bound Imm32 entries: what it holds
// and the calls it received, in order.
struct FakeIme {
  std::string composition;
  std::string result;
  std::string clauses;
  std::string attributes;
  LONG cursor = 0;
  LONG error = 0;  // a negative value makes every read fail with it
  DWORD candidateSize = 0;
  bool candidateReadFails = false;
  BOOL open = FALSE;
  std::vector<std::string> calls;
  std::vector<std::string> enableCalls;
};

FakeIme fake;
HIMC__* const kContext = reinterpret_cast<HIMC__*>(0x5150);

HIMC__* WINAPI FakeGetContext(HWND) { return kContext; }
BOOL WINAPI FakeReleaseContext(HWND, HIMC__*) { return TRUE; }
BOOL WINAPI FakeGetOpenStatus(HIMC__*) { return fake.open; }

BOOL WINAPI FakeNotify(HIMC__*, DWORD action, DWORD index, DWORD) {
  fake.calls.push_back(action == NI_COMPOSITIONSTR && index == CPS_CANCEL ? "cancel" : "notify");
  return TRUE;
}

BOOL WINAPI FakeSetOpenStatus(HIMC__*, BOOL open) {
  fake.calls.push_back(open ? "open" : "close");
  fake.open = open;
  return TRUE;
}

DWORD WINAPI FakeCandidateList(HIMC__*, DWORD, tagCANDIDATELIST* list, DWORD length) {
  if (length == 0) return fake.candidateSize;
  if (fake.candidateReadFails) return 0;
  memset(list, 0xAB, length);
  return length;
}

LONG WINAPI FakeCompositionString(HIMC__*, DWORD index, void* buffer, DWORD length) {
  if (fake.error < 0) return fake.error;
  if (index == GCS_CURSORPOS) return fake.cursor;
  const std::string* source = nullptr;
  switch (index) {
    case GCS_COMPSTR: source = &fake.composition; break;
    case GCS_RESULTSTR: source = &fake.result; break;
    case GCS_COMPCLAUSE: source = &fake.clauses; break;
    case GCS_COMPATTR: source = &fake.attributes; break;
    default: return 0;
  }
  if (index == GCS_COMPSTR) fake.calls.push_back("read");
  const DWORD size = static_cast<DWORD>(source->size());
  const DWORD copied = size < length ? size : length;
  memcpy(buffer, source->data(), copied);
  return static_cast<LONG>(copied);
}

BOOL WINAPI FakeSetComposition(HIMC__*, DWORD index, void* text, DWORD length, void*, DWORD) {
  if (index != SCS_SETSTR) return FALSE;
  fake.composition.assign(static_cast<const char*>(text), length);
  fake.calls.push_back("set " + fake.composition);
  return TRUE;
}

BOOL WINAPI FakeEnableIme(HWND window, BOOL enable) {
  fake.enableCalls.push_back((window == GetMainWindow() ? "main " : "other ") +
                             std::to_string(enable));
  return TRUE;
}

class ImeTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    SetCharsetCode(kCharsetShiftJis, 932);
    fake = FakeIme{};
    BoundDllFunctions& dlls = GetSystemState().dlls;
    savedImm_ = dlls.imm;
    savedEnableIme_ = dlls.user32.WINNLSEnableIME;
    dlls.imm.ImmGetContext = FakeGetContext;
    dlls.imm.ImmReleaseContext = FakeReleaseContext;
    dlls.imm.ImmGetOpenStatus = FakeGetOpenStatus;
    dlls.imm.ImmNotifyIME = FakeNotify;
    dlls.imm.ImmSetOpenStatus = FakeSetOpenStatus;
    dlls.imm.ImmGetCandidateListA = FakeCandidateList;
    dlls.imm.ImmGetCompositionStringA = FakeCompositionString;
    dlls.imm.ImmSetCompositionStringA = FakeSetComposition;
    dlls.user32.WINNLSEnableIME = FakeEnableIme;
  }
  void TearDown() override {
    BoundDllFunctions& dlls = GetSystemState().dlls;
    EndKeyInput();
    dlls.imm = savedImm_;
    dlls.user32.WINNLSEnableIME = savedEnableIme_;
    StartedLibraryTest::TearDown();
  }

  LRESULT Compose(LPARAM flags) {
    return SendMessageA(window_, WM_IME_COMPOSITION, 0, flags);
  }
  LRESULT Notify(WPARAM what) { return SendMessageA(window_, WM_IME_NOTIFY, what, 0); }

  static std::string TakeRing() {
    std::string taken;
    char out[2];
    int count;
    while ((count = TakeInputChar(out, 1)) > 0) taken.append(out, count);
    return taken;
  }

  ImeState& ime() { return GetKeyInputState().ime; }

 private:
  ImmFunctions savedImm_ = {};
  BOOL(WINAPI* savedEnableIme_)(HWND, BOOL) = nullptr;
};

TEST_F(ImeTest, CompositionIsKeptWithItsCursorInCharacters) {
  EXPECT_EQ(SendMessageA(window_, WM_IME_STARTCOMPOSITION, 0, 0), 0);
  EXPECT_EQ(ime().composing, 1);
  fake.composition = "漢字ab";
  fake.cursor = 5;  // after the "a"
  fake.clauses = std::string(12, '\1');
  fake.attributes = std::string("\1\1\1\1\0", 5);
  EXPECT_EQ(Compose(GCS_COMPSTR | GCS_CURSORPOS | GCS_COMPCLAUSE | GCS_COMPATTR), 0);
  EXPECT_STREQ(ime().composition, "漢字ab");
  EXPECT_EQ(ime().compositionCursor, 3);
  EXPECT_EQ(ime().clauseCount, 3);
  EXPECT_EQ(ime().attributeLength, 5);
  EXPECT_EQ(SendMessageA(window_, WM_IME_ENDCOMPOSITION, 0, 0), 0);
  EXPECT_EQ(ime().composing, 0);
  EXPECT_STREQ(ime().composition, "");
}

TEST_F(ImeTest, ReadsTheImeRefusesLeaveNothingBehind) {
  fake.error = IMM_ERROR_GENERAL;
  Compose(GCS_COMPSTR | GCS_RESULTSTR | GCS_COMPCLAUSE | GCS_COMPATTR);
  EXPECT_STREQ(ime().composition, "");
  EXPECT_EQ(ime().clauseCount, 0);
  EXPECT_EQ(ime().attributeLength, 0);
  EXPECT_EQ(TakeRing(), "");
}

TEST_F(ImeTest, ResultStringIsTypedIntoTheActiveKeyInput) {
  const int handle = MakeKeyInput(16, 0, 0, 0);
  SetActiveKeyInput(handle);
  fake.result = "確定x";
  fake.composition = "次";
  Compose(GCS_RESULTSTR);
  EXPECT_STREQ(ime().composition, "次");
  PumpMessages();
  char text[32];
  GetKeyInputText(handle, text, sizeof text);
  EXPECT_STREQ(text, "確定x");
}

TEST_F(ImeTest, ALongCompositionStaysTerminatedWithinItsBuffer) {
  fake.composition = std::string(1100, 'a');
  fake.result = std::string(1100, 'b');
  Compose(GCS_COMPSTR);
  EXPECT_EQ(strlen(ime().composition), static_cast<size_t>(kImeTextCapacity));
  EXPECT_EQ(ime().keptComposition[0], '\0');
  Compose(GCS_RESULTSTR);
  EXPECT_EQ(strlen(ime().composition), static_cast<size_t>(kImeTextCapacity));
  EXPECT_EQ(ime().keptComposition[0], '\0');
  EXPECT_EQ(TakeRing(), std::string(kImeTextCapacity, 'b'));
}

TEST_F(ImeTest, CandidateListIsCopiedReplacedAndFreed) {
  fake.candidateSize = 40;
  EXPECT_EQ(Notify(IMN_OPENCANDIDATE), 0);
  ASSERT_NE(ime().candidateList, nullptr);
  EXPECT_EQ(ime().candidateListSize, 40);
  EXPECT_EQ(static_cast<unsigned char*>(ime().candidateList)[39], 0xAB);
  fake.candidateSize = 60;
  Notify(IMN_CHANGECANDIDATE);
  EXPECT_EQ(ime().candidateListSize, 60);
  Notify(IMN_CLOSECANDIDATE);
  EXPECT_EQ(ime().candidateList, nullptr);
  EXPECT_EQ(ime().candidateListSize, 0);
  // A list the IME never closed goes with the key input's end.
  Notify(IMN_OPENCANDIDATE);
  ASSERT_NE(ime().candidateList, nullptr);
  EndKeyInput();
  EXPECT_EQ(ime().candidateList, nullptr);
}

TEST_F(ImeTest, CandidateListThatCannotBeHadIsLoggedAndLeftEmpty) {
  LogCapture capture;
  fake.candidateSize = 0;
  Notify(IMN_SETCANDIDATEPOS);
  EXPECT_EQ(ime().candidateList, nullptr);
  fake.candidateSize = 40;
  fake.candidateReadFails = true;
  Notify(IMN_OPENCANDIDATE);
  EXPECT_EQ(ime().candidateList, nullptr);
  EXPECT_EQ(ime().candidateListSize, 0);
  const std::string log = capture.Read();
  EXPECT_NE(log.find("漢字変換候補のデータサイズが０でした  DefHWND:"), std::string::npos);
  EXPECT_NE(log.find("漢字変換候補の取得に失敗しました  BufSize:40"), std::string::npos);
}

TEST_F(ImeTest, SwitchingTheImeOffDropsItsState) {
  ASSERT_EQ(SetImeUse(1), 0);
  fake.candidateSize = 16;
  Notify(IMN_OPENCANDIDATE);
  fake.composition = "かな";
  SendMessageA(window_, WM_IME_STARTCOMPOSITION, 0, 0);
  Compose(GCS_COMPSTR);
  ASSERT_EQ(SetImeUse(1), 0);
  ASSERT_EQ(SetImeUse(0), 0);
  EXPECT_EQ(fake.enableCalls, (std::vector<std::string>{"main 1", "main 0"}));
  EXPECT_EQ(ime().candidateList, nullptr);
  EXPECT_STREQ(ime().composition, "");
  EXPECT_EQ(ime().composing, 0);
}

TEST_F(ImeTest, OpenImeIsReopenedWithItsCompositionAfterActivation) {
  SetImeUse(1);
  fake.open = TRUE;
  Notify(IMN_SETOPENSTATUS);
  EXPECT_EQ(ime().open, 1);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(ime().reopenStage, 1);
  fake.composition = "かな";
  fake.calls.clear();
  EXPECT_EQ(ProcessKeyInput(), 0);
  EXPECT_EQ(ime().reopenStage, 0);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"read", "cancel", "close", "open", "open",
                                                  "set かな"}));

  // A closed IME is left as it is.
  fake.open = FALSE;
  Notify(IMN_SETOPENSTATUS);
  EXPECT_EQ(ime().open, 0);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(ime().reopenStage, 0);
}

TEST_F(ImeTest, CompositionIsCutToTheRoomOfTheKeyInput) {
  struct Case {
    int limitToRoom;
    int maxComposition;
    const char* composition;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {1, 0, "漢字", {"read", "cancel", "set 漢"}},   // two bytes of room
      {1, 0, "漢", {}},                                // fits
      {0, 3, "abcd", {"read", "cancel", "set abc"}},
      {0, 3, "a漢字", {"read", "cancel", "set a漢"}},
      {0, 0, "abcdefgh", {}},                          // no limit
  };
  for (const Case& c : cases) {
    InitKeyInput();
    const int handle = MakeKeyInput(4, 0, 0, 0);
    SetActiveKeyInput(handle);
    PushInputChar('x');
    PushInputChar('y');
    ProcessKeyInput();
    ime().limitToRoom = c.limitToRoom;
    ime().maxCompositionLength = c.maxComposition;
    fake.composition = c.composition;
    Compose(GCS_COMPSTR);
    fake.calls.clear();
    ProcessKeyInput();
    EXPECT_EQ(fake.calls, c.calls) << c.composition;
  }
}

}  // namespace
