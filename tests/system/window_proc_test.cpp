#include "system/main_window.h"

#include <windows.h>
#include <shlobj.h>

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/key_input.h"
#include "system/system_state.h"

namespace {

std::string TakeAllInput() {
  std::string taken;
  char character[2];
  int count;
  while ((count = TakeInputChar(character, 1)) > 0) taken.append(character, count);
  return taken;
}

class WindowProcTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    TakeAllInput();
  }
};

TEST_F(WindowProcTest, KeysAndCharactersReachTheInputRing) {
  struct Case {
    UINT message;
    WPARAM code;
    const char* pushed;
  };
  const Case cases[] = {
      {WM_KEYDOWN, VK_LEFT, "\x1D"},   {WM_KEYDOWN, VK_RIGHT, "\x1C"}, {WM_KEYDOWN, VK_UP, "\x1E"},
      {WM_KEYDOWN, VK_DOWN, "\x1F"},   {WM_KEYDOWN, VK_DELETE, "\x10"}, {WM_KEYDOWN, VK_HOME, "\x1A"},
      {WM_KEYDOWN, VK_END, "\x19"},    {WM_KEYDOWN, VK_PRIOR, "\x17"}, {WM_KEYDOWN, VK_NEXT, "\x15"},
      {WM_KEYDOWN, 'A', ""},           {WM_CHAR, 'a', "a"},            {WM_CHAR, 0x0D, "\r"},
      {WM_CHAR, 0x0A, "\r"},           {WM_CHAR, 0x08, "\x08"},        {WM_CHAR, 0x1B, "\x1B"},
      {WM_CHAR, 0x02, ""},             {WM_CHAR, 0x1F, ""},
  };
  for (const Case& c : cases) {
    SendMessageA(window_, c.message, c.code, 0);
    EXPECT_EQ(TakeAllInput(), c.pushed) << c.message << " " << c.code;
  }
}

TEST_F(WindowProcTest, ScreenSaverAndMonitorPowerAreRefused) {
  EXPECT_EQ(SendMessageA(window_, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 1);
  EXPECT_EQ(SendMessageA(window_, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 1);
}

TEST_F(WindowProcTest, ActivationMessagesSetTheActiveFlag) {
  SetRunWhileInactive(1);
  SendMessageA(window_, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(IsAppActive(), 0);
  SendMessageA(window_, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(IsAppActive(), 1);
  SendMessageA(window_, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(IsAppActive(), 0);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  SetRunWhileInactive(0);
}

TEST_F(WindowProcTest, DisplayChangesTheScreenCannotFollowCloseTheWindow) {
  SystemRuntime& run = GetSystemState().run;
  // The screen's own mode: nothing to survive.
  SendMessageA(window_, WM_DISPLAYCHANGE, 32, MAKELPARAM(320, 240));
  EXPECT_EQ(run.displayChanged, 1);
  EXPECT_EQ(IsCloseRequested(), 0);
  // A larger 32-bit desktop is survived with the restore handler.
  run.displayChanged = 0;
  SendMessageA(window_, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  EXPECT_EQ(run.displayChanged, 1);
  EXPECT_EQ(IsCloseRequested(), 0);

  LogCapture capture;
  run.displayChanged = 0;
  SendMessageA(window_, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
  EXPECT_EQ(run.displayChanged, 0);
  EXPECT_EQ(IsCloseRequested(), 1);
  int result = 0;
  for (int i = 0; i < 10 && result == 0; ++i) result = PumpMessages();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(NormalizeLogTimes(capture.Read()),
            "#:復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\r\n"
            "#:またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\r\n"
            "#:ウインドウを閉じようとしています\r\n"
            "#:ウインドウが破棄されようとしています\r\n"
            "#:ソフトを終了する準備が整いました\r\n");
}

TEST_F(WindowProcTest, DraggingAnEdgeKeepsTheAspectAndSetsBothScales) {
  RECT outer;
  RECT client;
  GetWindowRect(window_, &outer);
  GetClientRect(window_, &client);
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  RECT proposed = outer;
  proposed.left -= 160;  // client 800 wide
  SendMessageA(window_, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_EQ(proposed.right - proposed.left - frameWidth, 800);
  EXPECT_EQ(proposed.bottom - proposed.top - frameHeight, 600);
  double x = 0;
  double y = 0;
  GetWindowScale(&x, &y);
  EXPECT_DOUBLE_EQ(x, 2.5);
  EXPECT_DOUBLE_EQ(y, 2.5);
}

TEST_F(WindowProcTest, DroppedFilesAreKeptUntilCleared) {
  // A drop record as the shell hands it over: DROPFILES, then the paths.
  const char paths[] = "C:\\a.png\0C:\\folder\\b.txt\0";
  const size_t size = sizeof(DROPFILES) + sizeof paths;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), paths, sizeof paths);
  GlobalUnlock(block);
  SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
  const SystemRuntime& run = GetSystemState().run;
  ASSERT_EQ(run.droppedFileCount, 2);
  EXPECT_STREQ(run.droppedFiles[0], "C:\\a.png");
  EXPECT_STREQ(run.droppedFiles[1], "C:\\folder\\b.txt");
  ClearDroppedFiles();
  EXPECT_EQ(run.droppedFileCount, 0);
}

}  // namespace
