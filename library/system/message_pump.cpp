#include "system/message_pump.h"

#include <windows.h>

#include "sound/sound_services.h"
#include "system/api_guard.h"
#include "system/input_devices.h"
#include "system/key_input.h"
#include "system/network.h"
#include "system/system_info.h"
#include "system/system_state.h"
#include "system/window_mode.h"

namespace {

constexpr DWORD kInactiveSleepMilliseconds = 24;
constexpr int64_t kSpinMicroseconds = 4000;

// Waiting messages of any window first, then the thread's own and the main
// window's.
bool TakeMessage(HWND mainWindow, MSG* message) {
  if (PeekMessageA(message, nullptr, 0, 0, PM_NOREMOVE)) {
    return PeekMessageA(message, nullptr, 0, 0, PM_REMOVE) != 0;
  }
  if (PeekMessageA(message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) return true;
  return PeekMessageA(message, mainWindow, 0, 0, PM_REMOVE) != 0;
}

bool RunsNow(const SystemState& state) {
  return state.run.active || state.settings.runWhileInactive;
}

void RunSoundRefills() {
  if (GetProcessorCount() <= 1) {
    ProcessStreamSounds();
    ProcessSoftSoundPlayers();
  }
}

void RunFrameServices(SystemRuntime& run) {
  RunSoundRefills();
  ProcessMusicPlayState();
  // Overlays follow the window on every frame, not only while it idles.
  UpdateMovieOverlays();
  UpdateKeyboardState();
  UpdateJoypadVibration();
  PumpNetWorkMessages(1);
  run.keyInputReentry = 1;
  ProcessKeyInput();
  run.keyInputReentry = 0;
}

int passDepth = 0;

class PassDepth {
 public:
  PassDepth() { ++passDepth; }
  ~PassDepth() { --passDepth; }
  PassDepth(const PassDepth&) = delete;
  PassDepth& operator=(const PassDepth&) = delete;
};

}  // namespace

int IsMessagePassRunning() { return passDepth > 0 ? 1 : 0; }

int PumpMessagesCore() {
  SystemState& state = GetSystemState();
  SystemRuntime& run = state.run;
  if (run.keyInputReentry) return 0;
  if (run.mainWindow) {
    PassDepth depth;
    const bool onMainThread = GetCurrentThreadId() == run.mainThreadId;
    if (onMainThread) RenewNetWorkFrameBudget();
    if (run.altEnterRequested && onMainThread && state.settings.windowModeChangeAllowed) {
      run.altEnterRequested = 0;
      ChangeWindowMode(state.settings.windowMode ? 0 : 1);
    }
    int count = 0;
    bool firstPass = true;
    bool previousTook = false;
    bool previousFull = false;
    for (;;) {
      if (RunsNow(state) || run.closeRequested) {
        if (run.endRequested) break;
        if (!firstPass && (!previousTook || previousFull)) break;
      }
      if (!RunsNow(state)) Sleep(1);

      bool took = false;
      bool full = false;
      bool leave = false;
      MSG message;
      while (TakeMessage(run.mainWindow, &message)) {
        took = true;
        if (message.message == WM_ACTIVATEAPP && state.settings.windowMode) {
          run.active = LOWORD(message.wParam);
        }
        // Once the end is requested nothing more is dispatched.
        if (run.endRequested) {
          leave = true;
          break;
        }
        if (message.message == WM_QUIT) run.endRequested = 1;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (++count == kMessagesPerPass) {
          count = 0;
          full = true;
          break;
        }
      }
      if (leave) break;

      if (!RunsNow(state)) {
        RenewNetWorkFrameBudget();
        PumpNetWorkMessages(1);
        RunSoundRefills();
        UpdateMovieOverlays();
        Sleep(kInactiveSleepMilliseconds);
      }
      if (run.endRequested || !onMainThread) break;
      firstPass = false;
      previousTook = took;
      previousFull = full;
    }
    if (onMainThread) AutoShowMenuBar();
    RunFrameServices(run);
  }
  return run.endRequested ? -1 : 0;
}

int PumpMessages() {
  AcquireApiGuard();
  const int result = PumpMessagesCore();
  ReleaseApiGuard();
  return result;
}

void WaitWhileInactive() {
  const SystemState& state = GetSystemState();
  const SystemRuntime& run = state.run;
  if (run.painting || run.active) return;
  if (state.settings.windowMode && state.settings.runWhileInactive) return;
  // Without a window, or inside the key-input processing where a pass does
  // nothing, no pass could ever make the application active.
  if (!run.mainWindow || run.keyInputReentry) return;
  while (!run.active && PumpMessagesCore() == 0) {
  }
}

int WaitMilliseconds(int ms) {
  if (ms <= 0) return 0;
  const int64_t start = GetTickMicroseconds(0);
  const int64_t span = static_cast<int64_t>(ms) * 1000;
  if (span > kSpinMicroseconds) {
    int result = PumpMessages();
    while (result == 0 && GetTickMicroseconds(0) < start + span - kSpinMicroseconds) {
      Sleep(1);
      result = PumpMessages();
    }
  }
  while (GetTickMicroseconds(0) < start + span) {
  }
  return 0;
}
