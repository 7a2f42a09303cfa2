#include "system/message_pump.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "system/system_state.h"

namespace {

constexpr UINT kCountedMessage = WM_APP + 7;
int countedMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCountedMessage) {
    ++countedMessages;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A hidden window of the test's own that counts the messages posted to it.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OmbrelCountingWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("OmbrelCountingWindow", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
    countedMessages = 0;
  }
  ~CountingWindow() { DestroyWindow(window_); }
  void Post(int count) {
    for (int i = 0; i < count; ++i) PostMessageA(window_, kCountedMessage, 0, 0);
  }

 private:
  HWND window_;
};

using MessagePumpTest = StartedLibraryTest;

TEST_F(MessagePumpTest, TenMessagesTakeTwoCallsOfFive) {
  CountingWindow counter;
  counter.Post(10);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(countedMessages, kMessagesPerPass);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(countedMessages, 10);
}

TEST_F(MessagePumpTest, QuitEndsEveryLaterCall) {
  PostQuitMessage(0);
  EXPECT_EQ(PumpMessages(), -1);
  EXPECT_EQ(IsEndRequested(), 1);
  EXPECT_EQ(PumpMessages(), -1);
}

TEST_F(MessagePumpTest, MessageTakenAfterTheEndIsNotDispatched) {
  CountingWindow counter;
  // The close is dispatched first and requests the end; the message behind
  // it is taken but not dispatched.
  PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
  counter.Post(1);
  EXPECT_EQ(PumpMessages(), -1);
  EXPECT_EQ(countedMessages, 0);
}

TEST_F(MessagePumpTest, ShortWaitsSpinWithoutPumping) {
  CountingWindow counter;
  counter.Post(1);
  const int64_t start = GetTickMicroseconds(0);
  EXPECT_EQ(WaitMilliseconds(3), 0);
  EXPECT_GE(GetTickMicroseconds(0) - start, 3000);
  EXPECT_EQ(countedMessages, 0);
  EXPECT_EQ(WaitMilliseconds(0), 0);
  EXPECT_EQ(countedMessages, 0);

  EXPECT_EQ(WaitMilliseconds(30), 0);
  EXPECT_GE(GetTickMicroseconds(0) - start, 33000);
  EXPECT_EQ(countedMessages, 1);
}

TEST_F(MessagePumpTest, ClosingTheWindowEndsTheFrameLoop) {
  PostMessageA(GetMainWindow(), WM_CLOSE, 0, 0);
  int result = 0;
  for (int i = 0; i < 10 && result == 0; ++i) result = PumpMessages();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(GetSystemState().run.windowDestroyed, 1);
  EXPECT_EQ(PumpMessages(), -1);
}

TEST_F(MessagePumpTest, InactiveWindowWithoutRunWhileInactiveWaitsForActivation) {
  SystemRuntime& run = GetSystemState().run;
  SendMessageA(GetMainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
  ASSERT_EQ(run.active, 0);
  // The pump stays inside while inactive; a posted activation lets it out.
  PostMessageA(GetMainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(run.active, 1);
}

TEST_F(MessagePumpTest, RunWhileInactiveKeepsTheFrameLoopGoing) {
  SetRunWhileInactive(1);
  SendMessageA(GetMainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(IsAppActive(), 0);
  CountingWindow counter;
  counter.Post(1);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(countedMessages, 1);
  // Running while inactive, the wait returns without a pass: the message
  // posted now is still waiting afterwards.
  counter.Post(1);
  WaitWhileInactive();
  EXPECT_EQ(countedMessages, 1);
  EXPECT_EQ(IsAppActive(), 0);
  EXPECT_EQ(PumpMessages(), 0);
  EXPECT_EQ(countedMessages, 2);
  SetRunWhileInactive(0);
}

}  // namespace
