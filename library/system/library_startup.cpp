#include "system/library_startup.h"

#include <windows.h>

#include "direct3d9/device_services.h"
#include "graphics/draw_target.h"
#include "graphics/graph_image.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "sound/sound_services.h"
#include "system/api_guard.h"
#include "system/archive_cache.h"
#include "system/bound_dlls.h"
#include "system/clock.h"
#include "system/file_access.h"
#include "system/input_devices.h"
#include "system/key_input.h"
#include "system/log.h"
#include "system/main_window.h"
#include "system/message_pump.h"
#include "system/network.h"
#include "system/string_helpers.h"
#include "system/system_info.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"
#include "system/window_mode.h"

namespace {

constexpr DWORD kDestroyRetryMilliseconds = 100;

SystemState& State() { return GetSystemState(); }

// Full screen needs a display mode of the screen's size; without one the
// library starts in window mode.
void SettleFullScreenMode() {
  SystemState& state = State();
  if (state.settings.windowMode) return;
  int width = 0;
  int height = 0;
  GetScreenModeSize(&width, &height);
  const bool is320x240 = width == 320 && height == 240;
  if (!HasDisplayModeOfSize(width, height) && !(is320x240 && CheckHardwareRenderAllowed())) {
    ChangeWindowMode(1);
  }
  if (!state.settings.windowMode && is320x240) {
    ScreenSettings& screen = GetScreenSettings();
    screen.emulation320x240Active = 1;
    screen.width = 640;
    screen.height = 480;
  }
}

bool RefusesTwentyFourBits() {
  const SystemState& state = State();
  HDC desktop = GetDC(nullptr);
  const int desktopBits = GetDeviceCaps(desktop, PLANES) * GetDeviceCaps(desktop, BITSPIXEL);
  ReleaseDC(nullptr, desktop);
  return (state.settings.windowMode && desktopBits == 24) || GetScreenColorBits() == 24;
}

void StartCom() {
  SystemState& state = State();
  if (state.settings.comInitialised) return;
  AppendLog("ＣＯＭの初期化... ");
  const auto coInitialize = state.dlls.ole32.CoInitialize;
  if (!coInitialize || coInitialize(nullptr) < 0) {
    AppendLog("ＣＯＭの初期化に失敗しました\n");
    return;
  }
  AppendLog("成功しました\n");
  state.settings.comInitialised = 1;
}

void EndCom() {
  SystemState& state = State();
  if (!state.settings.comInitialised) return;
  if (state.dlls.ole32.CoUninitialize) state.dlls.ole32.CoUninitialize();
  AppendLog("ＣＯＭを終了... 完了\n");
  state.settings.comInitialised = 0;
}

// The window's last messages, the class and a window that outlived its
// WM_CLOSE. A WM_QUIT left behind would end the next start-up's first frame.
void RetireWindow() {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  while (run.mainWindow && !run.endRequested && !run.windowDestroyed &&
         PumpMessagesCore() == 0) {
  }
  while (run.mainWindow && FindWindowA(state.settings.windowClassName, nullptr) == run.mainWindow) {
    DestroyWindow(run.mainWindow);
    Sleep(kDestroyRetryMilliseconds);
  }
  // A class is only unregistered once its last window is gone; a class left
  // behind would refuse the next start-up's registration.
  UnregisterClassA(state.settings.windowClassName, run.instance);
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  run.mainWindow = nullptr;
}

// The shut-down steps that end what start-up began; each step tolerates a
// part that never started.
void EndStartedParts() {
  EndLogOverlay();
  EndNetWork();
  StopLibraryMusic();
  TerminateModelSystem();
  ShutdownGraphicsSystem();
  EndInputDevices();
  TerminateSoundSystem();
  EndWindow();
  EndCom();
}

void RestoreStartDirectory() {
  const char* startDirectory = State().settings.startDirectory;
  if (startDirectory[0] != '\0') GetFileAccessTable()->SetDir(startDirectory);
}

}  // namespace

int InitLibraryCore() {
  SystemState& state = State();
  if (state.run.initialised) return 0;
  state.settings.initialising = 1;
  BindSystemDlls();
  SettleFullScreenMode();
  InitYUVToRGBTables();
  ReleaseUnusedArchives();
  InstallFileAccessTable(nullptr);
  GetFileAccessTable()->GetDir(state.settings.startDirectory);
  if (state.log.folder[0] == '\0') CopyString(state.log.folder, state.settings.startDirectory);
  InitLogFile();

  if (RefusesTwentyFourBits()) {
    AppendLog("Ombrelライブラリは２４ビットカラーモードに対応していません\n");
    state.settings.initialising = 0;
    return -1;
  }
  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  state.run.counterFrequency = frequency.QuadPart;
  state.run.performanceCounter = frequency.QuadPart != 0 ? 1 : 0;
  LogSystemInfo();
  BindLateSystemDlls();
  RegisterGraphRestoreHandler(nullptr);
  StartCom();

  if (InitSystemAndWindow() != 0 || InitInputDevices() != 0) {
    UndoStartedParts();
    return -1;
  }
  InitializeSoundSystem();
  if (SetupGraphicsSystem() < 0) {
    UndoStartedParts();
    return -1;
  }
  InitKeyInput();
  state.run.initialised = 1;
  if (!state.settings.windowMode) ForceForegroundWindow(state.run.mainWindow, 1);
  InitLogOverlay();
  SelectDrawTarget(kDrawTargetBackScreen);
  SelectDrawTarget(kDrawTargetFrontScreen);
  InitializeModelSystem();
  state.settings.initialising = 0;
  return 0;
}

void UndoStartedParts() {
  EndStartedParts();
  RetireWindow();
  RestoreStartDirectory();
  State().settings.initialising = 0;
}

int EndLibraryCore() {
  SystemState& state = State();
  if (!state.run.initialised) return 0;
  EndStartedParts();
  EndGraphImageHandles();
  state.run.initialised = 0;
  RetireWindow();
  RestoreStartDirectory();
  ReleaseUnusedArchives();
  DumpTrackedMemory();
  UnbindSystemDlls();
  return 0;
}

int InitLibrary() {
  if (State().run.initialised) return 0;
  AcquireApiGuard();
  const int result = InitLibraryCore();
  ReleaseApiGuard();
  return result;
}

int EndLibrary() {
  if (!State().run.initialised) return 0;
  AcquireApiGuard();
  const int result = EndLibraryCore();
  ReleaseApiGuard();
  TeardownApiGuard();
  return result;
}
