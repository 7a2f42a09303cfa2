#include "system/library_startup.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/system_state.h"

namespace {

// Each expected line must appear after the one before it.
void ExpectLinesInOrder(const std::string& log, const std::vector<std::string>& lines) {
  size_t position = 0;
  for (const std::string& line : lines) {
    const size_t found = log.find(line, position);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
    position = found + line.size();
  }
}

bool ScreenSaverActive() {
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active != FALSE;
}

TEST(LibraryStartupTest, StartAndEndWriteTheirStepsInOrder) {
  LogCapture capture;
  {
    LibraryOptions options;
    options.title = UniqueWindowTitle("StartupLog");
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0);
    EXPECT_NE(GetMainWindow(), nullptr);
  }
  const std::string log = capture.Read();
  ExpectLinesInOrder(log, {
                              "システムの情報を出力します\r\n",
                              "ＣＯＭの初期化... ",
                              "メモリ総量:",
                              "ソフトの二重起動検査... 二重起動はされていませんでした\r\n",
                              "ウインドウクラスを登録します... 登録に成功しました\r\n",
                              "ウインドウモード起動用のウインドウを作成します\r\n",
                              "ウインドウの作成に成功しました\r\n",
                              "ＩＭＥを無効にしました\r\n",
                              "DirectDraw オブジェクトの取得を行います....  ",
                              "文字コードバッファの初期化を行います... 完了しました\r\n",
                              "ウインドウを閉じようとしています\r\n",
                              "ウインドウが破棄されようとしています\r\n",
                              "ソフトを終了する準備が整いました\r\n",
                              "ＣＯＭを終了... 完了\r\n",
                          });
  EXPECT_EQ(GetMainWindow(), nullptr);
}

TEST(LibraryStartupTest, StartsAndEndsTwiceInOneProcess) {
  const std::string title = UniqueWindowTitle("StartTwice");
  for (int round = 0; round < 2; ++round) {
    LibraryOptions options;
    options.title = title;
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0) << round;
    // The first frame must not see the end of the previous round.
    EXPECT_EQ(PumpMessages(), 0) << round;
    EXPECT_NE(GetSystemState().dlls.winmm.timeGetTime, nullptr);
    EXPECT_TRUE(IsWindow(GetMainWindow()));
  }
  const BoundDllFunctions& dlls = GetSystemState().dlls;
  EXPECT_EQ(dlls.winmm.module, nullptr);
  EXPECT_EQ(dlls.winmm.timeGetTime, nullptr);
  EXPECT_EQ(dlls.ws2.recv, nullptr);
  EXPECT_EQ(dlls.user32.WINNLSEnableIME, nullptr);
  EXPECT_EQ(FindWindowA(title.c_str(), nullptr), nullptr);
  // The clocks go on without the bound entry.
  const int before = GetTickMilliseconds();
  Sleep(20);
  EXPECT_GE(GetTickMilliseconds() - before, 15);
}

// Every name of the binding tables is found in its module, so a misspelt
// name (which would only leave its entry null) shows here.
TEST(LibraryStartupTest, BindsEveryFunctionByName) {
  LibraryOptions options;
  options.title = UniqueWindowTitle("Bindings");
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  BoundDllFunctions& dlls = GetSystemState().dlls;
  struct Record {
    const char* module;
    void** slots;
    size_t size;
  };
  const Record records[] = {
      {"ws2_32", reinterpret_cast<void**>(&dlls.ws2), sizeof dlls.ws2},
      {"Imm32", reinterpret_cast<void**>(&dlls.imm), sizeof dlls.imm},
      {"winmm", reinterpret_cast<void**>(&dlls.winmm), sizeof dlls.winmm},
      {"ole32", reinterpret_cast<void**>(&dlls.ole32), sizeof dlls.ole32},
      {"comctl32", reinterpret_cast<void**>(&dlls.comctl32), sizeof dlls.comctl32},
      {"dwmapi", reinterpret_cast<void**>(&dlls.dwmapi), sizeof dlls.dwmapi},
      {"User32", reinterpret_cast<void**>(&dlls.user32), sizeof dlls.user32},
  };
  for (const Record& record : records) {
    for (size_t i = 0; i < record.size / sizeof(void*); ++i) {
      EXPECT_NE(record.slots[i], nullptr) << record.module << " entry " << i;
    }
  }
}

TEST(LibraryStartupTest, SecondStartAndEarlyEndChangeNothing) {
  LogCapture capture;
  EXPECT_EQ(EndLibrary(), 0);
  EXPECT_EQ(capture.Read(), "");
  LibraryOptions options;
  options.title = UniqueWindowTitle("SecondStart");
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  HWND window = GetMainWindow();
  capture.Restart();
  EXPECT_EQ(InitLibrary(), 0);
  EXPECT_EQ(capture.Read(), "");
  EXPECT_EQ(GetMainWindow(), window);
}

TEST(LibraryStartupTest, RefusedStartUndoesItselfAndCanBeRetried) {
  LogCapture capture;
  const std::string title = UniqueWindowTitle("Refused");
  // Another window with the class name makes the start a double start.
  WNDCLASSA otherClass = {};
  otherClass.lpfnWndProc = DefWindowProcA;
  otherClass.hInstance = GetModuleHandleA(nullptr);
  otherClass.lpszClassName = title.c_str();
  ASSERT_NE(RegisterClassA(&otherClass), 0);
  HWND other = CreateWindowA(title.c_str(), "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             otherClass.hInstance, nullptr);
  ASSERT_NE(other, nullptr);

  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  {
    LibraryOptions options;
    options.title = title;
    LibrarySession session(options);
    EXPECT_EQ(session.result(), -1);
  }
  EXPECT_NE(capture.Read().find("二重起動されています、ソフトを終了します\r\n"), std::string::npos);
  EXPECT_TRUE(ScreenSaverActive());
  EXPECT_EQ(GetSystemState().timerPeriod.begun, 0);
  EXPECT_EQ(GetSystemState().settings.initialising, 0);

  DestroyWindow(other);
  UnregisterClassA(title.c_str(), otherClass.hInstance);
  LibraryOptions options;
  options.title = title;
  LibrarySession retry(options);
  EXPECT_EQ(retry.result(), 0);
  EXPECT_EQ(PumpMessages(), 0);
}

TEST(LibraryStartupTest, ScreenSaverSettingIsPutBackAsItWas) {
  for (BOOL before : {FALSE, TRUE}) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, before, nullptr, 0);
    {
      LibraryOptions options;
      options.title = UniqueWindowTitle("ScreenSaver");
      LibrarySession session(options);
      ASSERT_EQ(session.result(), 0);
      EXPECT_FALSE(ScreenSaverActive());
    }
    EXPECT_EQ(ScreenSaverActive(), before != FALSE);
  }
}

TEST(LibraryStartupTest, TimerPeriodIsBegunOnceAndEnded) {
  {
    LibraryOptions options;
    options.title = UniqueWindowTitle("TimerPeriod");
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0);
    EXPECT_EQ(GetSystemState().timerPeriod.begun, 1);
    EXPECT_GT(GetSystemState().timerPeriod.period, 0u);
  }
  EXPECT_EQ(GetSystemState().timerPeriod.begun, 0);
}

}  // namespace
