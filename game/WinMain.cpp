#include <stdio.h>
#include <time.h>

#include <windows.h>

#include "CFrameRate.h"
#include "CGame.h"
#include "ErrorMessage.h"
#include "GameEntry.h"
#include "GameSettings.h"
#include "Ombrel.h"

namespace {

constexpr int kIconResource = 102;
constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr int kBackScreen = -2;
// Far above what the loop reaches, so the frame rate never waits.
constexpr float kUnpacedFramesPerSecond = 10000.0f;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (ReadDebugSetting("System", "DebugLogWindow", 0) == 1) {
    FreeConsole();
    AllocConsole();
    freopen("CONOUT$", "w", stdout);
    printf("program start\n");
  }
  // Only a test build keeps the log, to read the memory dump at shut-down.
#ifndef MOONLITCAIRN_KEEP_LOG
  EnableLogOutput(0);
#endif
  SetRunWhileInactive(1);
  EnableHardwareRender(0);
  ChangeWindowMode(1);
  SetWindowScale(WindowScaleForSetting(ReadDebugSetting("System", "WindowSizeExtendRate", 0)),
                 -1.0);
  SetScreenMode(kScreenWidth, kScreenHeight, 32, 60);

  char version[kVersionTextSize];
  if (GetProductVersion(version) == 0) ShowFatalError("バージョン番号取得失敗");
  char title[64];
  snprintf(title, sizeof title, "Moonlitcairn ver %s", version);
  SetMainWindowTitle(title);
  printf("program version is %s\n", version);
  SetWindowIconResource(kIconResource);

  if (InitLibrary() == -1) return -1;
  SelectDrawTarget(kBackScreen);
  SetDefaultFontSize(11);
  SetDefaultFontThickness(1);
  SetDefaultFontSpacing(-1);
  SetDefaultFontFace("ＭＳ ゴシック", -1);
  SeedRandom(static_cast<uint32_t>(time(nullptr)));

  CFrameRate frameRate;
  frameRate.Init(kUnpacedFramesPerSecond);
  frameRate.textX = 0;
  frameRate.textY = 0;
  frameRate.textColour = ComposeColorCode(255, 255, 255);

  CGame* game = CGame::GetInstance();
  game->Init();

  while (PumpMessages() == 0) {
    StepGameFrame(*game);
    frameRate.Update();
    PresentScreen();
  }

  game->Term();
  EndLibrary();
  printf("program finished\n");
  fflush(stdout);
  FreeConsole();
  return 0;
}
