#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "support/library_session.h"
#include "support/log_capture.h"

namespace {

constexpr unsigned kChildTimeout = 60000;
constexpr int kExitCode = -1;

std::string ReadLogFile() {
  std::ifstream in(LogCapture::Path(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ScreenSaverActive() {
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active != FALSE;
}

void StartChildLibrary(const char* stem) {
  LogCapture* capture = new LogCapture;  // kept on until the process ends
  (void)capture;
  ResetWindowSettings();
  SetMainWindowTitle(UniqueWindowTitle(stem).c_str());
  SetScreenMode(320, 240, 32, 60);
  if (InitLibrary() != 0) ExitProcess(3);
}

TEST(FatalExitTest, OnTheMainThreadItLogsShutsDownAndEnds) {
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  EXPECT_EQ(RunChildTest("FatalExitTest.ChildMainThread", "main", kChildTimeout), kExitCode);
  const std::string log = ReadLogFile();
  const size_t text = log.find("壊れた設定 7\r\n");
  ASSERT_NE(text, std::string::npos) << log;
  EXPECT_NE(log.find("ソフトを終了する準備が整いました\r\n", text), std::string::npos) << log;
  EXPECT_TRUE(ScreenSaverActive());
}

TEST(FatalExitTest, ChildMainThread) {
  if (ChildRole() != "main") GTEST_SKIP() << "runs as a child process";
  StartChildLibrary("FatalMain");
  ExitWithErrorFormat("壊れた設定 %d", 7);
}

TEST(FatalExitTest, FromAnotherThreadItEndsWithoutWaitingForTheWindow) {
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  EXPECT_EQ(RunChildTest("FatalExitTest.ChildWorkerThread", "worker", kChildTimeout), kExitCode);
  EXPECT_NE(ReadLogFile().find("作業スレッドの致命的な失敗\r\n"), std::string::npos);
  EXPECT_TRUE(ScreenSaverActive());
}

DWORD WINAPI FailFromWorker(void*) { ExitWithError("作業スレッドの致命的な失敗"); }

TEST(FatalExitTest, ChildWorkerThread) {
  if (ChildRole() != "worker") GTEST_SKIP() << "runs as a child process";
  StartChildLibrary("FatalWorker");
  // The main thread is busy and never pumps the window again, which is what
  // a teardown from the worker would wait for.
  HANDLE worker = CreateThread(nullptr, 0, FailFromWorker, nullptr, 0, nullptr);
  WaitForSingleObject(worker, INFINITE);
  ExitProcess(6);
}

}  // namespace
