#include "system/window_mode.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/system_state.h"

namespace {

TEST(WindowModeTest, SettingsBeforeStartupAreOnlyStored) {
  ResetWindowSettings();
  LogCapture capture;
  GetSystemState().settings.windowMode = 0;
  EXPECT_EQ(ChangeWindowMode(1), 0);
  EXPECT_EQ(ChangeWindowMode(1), 0);
  EXPECT_EQ(NormalizeLogTimes(capture.Read()),
            "#:ChangeWindowMode実行 \r\n"
            "#:ウインドウモードフラグが立てられました\r\n"
            "#:ChangeWindowMode実行 \r\n");
  EXPECT_EQ(IsWindowMode(), 1);
  EXPECT_EQ(GetMainWindow(), nullptr);
}

TEST(WindowModeTest, ScaleRules) {
  ResetWindowSettings();
  double x = 0;
  double y = 0;
  SetWindowScale(2.0, 0);
  EXPECT_EQ(GetWindowScale(&x, &y), 2.0);
  EXPECT_EQ(y, 2.0);
  SetWindowScale(-1, -1);
  GetWindowScale(&x, &y);
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, 1.0);
  SetWindowScale(3.0, 1.5);
  GetSystemState().settings.windowMode = 0;
  EXPECT_EQ(GetWindowScale(&x, nullptr), 1.0);
  EXPECT_EQ(x, 1.0);
  GetSystemState().settings.windowMode = 1;
  GetWindowScale(nullptr, &y);
  EXPECT_EQ(y, 1.5);
}

TEST(WindowModeTest, ScreenModeIsRecordedBeforeStartup) {
  struct Case {
    int width;
    int height;
    int bits;
    int result;
  };
  const Case cases[] = {
      {320, 240, 24, -1}, {0, 240, 32, -1}, {320, 0, 16, -1}, {320, 240, 15, -1},
      {800, 600, 8, 0},   {320, 240, 32, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetScreenMode(c.width, c.height, c.bits, 60), c.result)
        << c.width << "x" << c.height << "x" << c.bits;
  }
  int width = 0;
  int height = 0;
  int bits = 0;
  QueryScreenState(&width, &height, &bits);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(bits, 32);
  EXPECT_EQ(GetScreenSettings().refreshRate, 60);

  const ScreenSettings saved = GetScreenSettings();
  GetScreenSettings().width = 0;
  GetScreenSettings().height = 0;
  GetScreenSettings().colorBits = 0;
  QueryScreenState(&width, &height, &bits);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(bits, 16);
  GetScreenSettings() = saved;
}

class StartedWindowModeTest : public StartedLibraryTest {
 protected:
  SIZE ClientSize() const {
    RECT client;
    GetClientRect(window_, &client);
    return {client.right, client.bottom};
  }
};

TEST_F(StartedWindowModeTest, ScaleTitleAndIconApplyToTheWindow) {
  SetWindowScale(1.0, -1);
  EXPECT_EQ(ClientSize().cx, 320);
  EXPECT_EQ(ClientSize().cy, 240);
  SetWindowScale(4.0, 0.5);
  EXPECT_EQ(ClientSize().cx, 1280);
  EXPECT_EQ(ClientSize().cy, 120);

  SetMainWindowTitle("新しい題名");
  char title[64] = {};
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, "新しい題名");
  // A title too long for the record is cut before a character that would
  // not fit whole.
  std::string longTitle(254, 'a');
  longTitle += "題";
  SetMainWindowTitle(longTitle.c_str());
  EXPECT_EQ(std::string(GetSystemState().settings.windowTitle), std::string(254, 'a'));

  EXPECT_EQ(SetWindowIconResource(0), 0);
  // The whole handle: a class field of pointer size holds it.
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(window_, GCLP_HICON)),
            LoadIconA(nullptr, IDI_APPLICATION));
}

TEST_F(StartedWindowModeTest, MousePositionIsInScreenPixels) {
  RECT client = GetSystemState().run.clientScreenRect;
  int x = -1;
  int y = -1;
  SetCursorPos(client.left + 100, client.top + 41);
  GetMouseClientPos(&x, &y);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(y, 20);
  SetCursorPos(client.left + 101, client.top + 40);
  GetMouseClientPos(&x, nullptr);
  EXPECT_EQ(x, 50);
}

TEST_F(StartedWindowModeTest, ClipboardTextRoundTripsAndNeverOverrunsTheBuffer) {
  ASSERT_EQ(WriteClipboardText("クリップボードの文字"), 0);
  const int needed = ReadClipboardText(nullptr, 0);
  EXPECT_GE(needed, static_cast<int>(strlen("クリップボードの文字")) + 1);
  char buffer[64];
  ASSERT_EQ(ReadClipboardText(buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "クリップボードの文字");

  char small[6];
  memset(small, 'X', sizeof small);
  ASSERT_EQ(ReadClipboardText(small, 5), 0);
  EXPECT_EQ(std::string(small), std::string("クリップボードの文字", 4));
  EXPECT_EQ(small[5], 'X');

  OpenClipboard(window_);
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ReadClipboardText(buffer, sizeof buffer), -1);
}

TEST_F(StartedWindowModeTest, CursorVisibilityAndAbsentMenuAndToolbar) {
  SystemRuntime& run = GetSystemState().run;
  SetCursorVisible(0);
  EXPECT_EQ(run.cursorShown, 0);
  SetCursorVisible(1);
  EXPECT_EQ(run.cursorShown, 1);
  EXPECT_EQ(IsMenuBarShown(), 0);
  EXPECT_EQ(SetMenuBarVisible(1), 0);
  EXPECT_EQ(GetToolbarHeight(), 0);
  EXPECT_EQ(FindToolbarButton(1), -1);
  EXPECT_EQ(RemoveAllToolbarButtons(), -1);
  char name[128];
  EXPECT_EQ(GetMenuItemName(1, name), -1);
}

TEST_F(StartedWindowModeTest, SameModeChangesNothingAndHardwareCannotBeChosenLate) {
  LogCapture capture;
  EXPECT_EQ(ChangeWindowMode(1), 0);
  EXPECT_EQ(NormalizeLogTimes(capture.Read()), "#:ChangeWindowMode実行 \r\n");
  EXPECT_EQ(EnableHardwareRender(1), -1);
  int width = 0;
  int height = 0;
  int bits = 0;
  GetDesktopMode(&width, &height, &bits);
  EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(bits, 32);
}

TEST_F(StartedWindowModeTest, ModeChangeThatLeavesTheDesktopAloneDoesNotWaitForIt) {
  // Back to window mode from a full screen that never changed the desktop:
  // no display change will be reported, so none may be waited for.
  GetSystemState().settings.windowMode = 0;
  EXPECT_EQ(ChangeWindowMode(1), 0);
  EXPECT_EQ(IsWindowMode(), 1);
  EXPECT_EQ(GetSystemState().run.modeChangeInProgress, 0);
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(PumpMessages(), 0);
}

TEST_F(StartedWindowModeTest, FullScreenWithoutAMatchingDisplayModeIsRefused) {
  // No display offers 333 x 222.
  GetScreenSettings().width = 333;
  GetScreenSettings().height = 222;
  EXPECT_EQ(ChangeWindowMode(0), -1);
  EXPECT_EQ(IsWindowMode(), 1);
  GetScreenSettings().width = 320;
  GetScreenSettings().height = 240;
}

}  // namespace
