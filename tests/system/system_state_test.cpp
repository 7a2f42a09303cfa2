#include "system/system_state.h"

#include <string.h>

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "system/charset.h"

namespace {

TEST(SystemStateTest, StartupClearingKeepsTheSettingsAndTheLog) {
  SystemState& state = GetSystemState();
  LogCapture capture;
  state.settings.windowMode = 1;
  strcpy(state.settings.windowTitle, "Moonlitcairn ver 1.0");
  state.settings.windowScaleX = 2.0;
  state.settings.runWhileInactive = 1;
  state.settings.comInitialised = 1;
  state.settings.initialising = 1;
  SetCharsetCode(kCharsetShiftJis, 932);
  state.info.osVersionCode = 0x109;
  state.info.processorCount = 4;
  IncreaseLogIndent();
  AppendLog("half a line ");
  void* block = AllocTrackedMemory(16, "kept.cpp", 1);
  const int blocks = state.memory.blockCount;
  state.run.mainWindow = reinterpret_cast<HWND>(0x1234);
  state.run.endRequested = 1;
  state.run.initialised = 1;
  state.run.performanceCounter = 1;
  state.logOverlay.shown = 1;
  strcpy(state.logOverlay.lines[3], "overlay");

  ClearSystemStateForStartup();

  EXPECT_EQ(state.settings.windowMode, 1);
  EXPECT_STREQ(state.settings.windowTitle, "Moonlitcairn ver 1.0");
  EXPECT_EQ(state.settings.windowScaleX, 2.0);
  EXPECT_EQ(state.settings.runWhileInactive, 1);
  EXPECT_EQ(state.settings.comInitialised, 1);
  EXPECT_EQ(state.settings.initialising, 1);
  EXPECT_EQ(GetCharsetCode(), kCharsetShiftJis);
  EXPECT_EQ(GetCodePage(), 932);
  EXPECT_EQ(state.info.osVersionCode, 0x109);
  EXPECT_EQ(state.info.processorCount, 4);
  EXPECT_EQ(state.memory.blockCount, blocks);
  EXPECT_EQ(state.memory.tail, GetTrackedMemoryHeader(block));

  EXPECT_EQ(state.run.mainWindow, nullptr);
  EXPECT_EQ(state.run.endRequested, 0);
  EXPECT_EQ(state.run.initialised, 0);
  EXPECT_EQ(state.run.performanceCounter, 0);
  EXPECT_EQ(state.logOverlay.shown, 0);
  EXPECT_EQ(state.logOverlay.lines[3][0], '\0');

  // The log goes on where it was: same file, same line, same indentation.
  AppendLog("continued\n");
  AppendLog("next\n");
  EXPECT_EQ(capture.ReadNormalized(), "#:\thalf a line continued\r\n#:\tnext\r\n");
  DecreaseLogIndent();
  FreeTrackedMemory(block);
  state.settings = SystemSettings{};
  state.info = SystemInfo{};
}

}  // namespace
