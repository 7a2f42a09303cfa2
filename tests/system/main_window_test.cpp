#include "system/main_window.h"

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/system_state.h"

namespace {

constexpr unsigned kChildTimeout = 60000;

SIZE ClientSize(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  return {client.right, client.bottom};
}

TEST(MainWindowTest, ClientIsTheScreenTimesTheScaleCentredOnTheDesktop) {
  struct Case {
    double scale;
    int width;
    int height;
  };
  const Case cases[] = {{0.5, 160, 120}, {1.0, 320, 240}, {2.0, 640, 480}, {4.0, 1280, 960}};
  for (const Case& c : cases) {
    LibraryOptions options;
    options.title = UniqueWindowTitle("Scale");
    options.scale = c.scale;
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0);
    HWND window = GetMainWindow();
    const SIZE client = ClientSize(window);
    EXPECT_EQ(client.cx, c.width) << c.scale;
    EXPECT_EQ(client.cy, c.height) << c.scale;

    RECT outer;
    GetWindowRect(window, &outer);
    const int desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    const int desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(outer.left, (desktopWidth - (outer.right - outer.left)) / 2) << c.scale;
    EXPECT_EQ(outer.top, (desktopHeight - (outer.bottom - outer.top)) / 2) << c.scale;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    EXPECT_GE(origin.x, 0);
    EXPECT_GE(origin.y, 0);
  }
}

TEST(MainWindowTest, StyleClassAndTitle) {
  LibraryOptions options;
  options.title = UniqueWindowTitle("Styled");
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  HWND window = GetMainWindow();
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  // Popup, caption, system menu, minimise box and visible; Windows adds
  // WS_CLIPSIBLINGS to every top-level window by itself.
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_CLIPSIBLINGS) & 0xFFFF0000u, 0x90CA0000u);
  EXPECT_EQ(exStyle & 0x300u, 0x300u);          // window edge and client edge
  EXPECT_EQ(exStyle & WS_EX_LAYERED, 0u);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_EQ(std::string(className), options.title);
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_EQ(std::string(title), options.title);
}

TEST(MainWindowTest, WithoutTitleTheDefaultClassAndTitleAreUsed) {
  // The default class name is shared by every program without a title, so
  // this start runs in a child process of its own and retries while
  // another test process holds the name.
  int code = -1;
  for (int attempt = 0; attempt < 20 && code != 0; ++attempt) {
    code = RunChildTest("MainWindowTest.ChildWithoutTitle", "untitled", kChildTimeout);
    if (code != 0) Sleep(250);
  }
  EXPECT_EQ(code, 0);
}

TEST(MainWindowTest, ChildWithoutTitle) {
  if (ChildRole() != "untitled") GTEST_SKIP() << "runs as a child process";
  LibraryOptions options;
  LibrarySession session(options);
  if (session.result() != 0) ExitProcess(3);
  char className[64] = {};
  GetClassNameA(GetMainWindow(), className, sizeof className);
  char title[64] = {};
  GetWindowTextA(GetMainWindow(), title, sizeof title);
  const bool ok = std::string(className) == kDefaultWindowClassName &&
                  std::string(title) == kDefaultWindowTitle;
  EndLibrary();
  ExitProcess(ok ? 0 : 4);
}

TEST(MainWindowTest, SecondCopyWithTheSameTitleIsRefused) {
  LibraryOptions options;
  options.title = UniqueWindowTitle("FirstCopy");
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  SetEnvironmentVariableA("OMBREL_TEST_TITLE", options.title.c_str());
  EXPECT_EQ(RunChildTest("MainWindowTest.ChildSecondCopy", "second", kChildTimeout), 0);
  EXPECT_TRUE(IsWindow(GetMainWindow()));
  EXPECT_EQ(PumpMessages(), 0);
}

TEST(MainWindowTest, ChildSecondCopy) {
  if (ChildRole() != "second") GTEST_SKIP() << "runs as a child process";
  LogCapture capture;
  char title[256] = {};
  GetEnvironmentVariableA("OMBREL_TEST_TITLE", title, sizeof title);
  LibraryOptions options;
  options.title = title;
  LibrarySession session(options);
  const bool refused = session.result() == -1 && IsEndRequested() &&
                       capture.Read().find("二重起動されています、ソフトを終了します\r\n") !=
                           std::string::npos;
  ExitProcess(refused ? 0 : 5);
}

}  // namespace
