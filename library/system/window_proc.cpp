#include <windows.h>
#include <shellapi.h>

#include "direct3d9/device_services.h"
#include "graphics/draw_target.h"
#include "graphics/graphics_startup.h"
#include "graphics/presentation.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "sound/sound_services.h"
#include "system/clock.h"
#include "system/ime.h"
#include "system/input_devices.h"
#include "system/key_input.h"
#include "system/log.h"
#include "system/main_window.h"
#include "system/message_pump.h"
#include "system/network.h"
#include "system/os_version.h"
#include "system/system_info.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"
#include "system/window_geometry.h"
#include "system/window_mode.h"

namespace {

struct KeyTranslation {
  WPARAM virtualKey;
  int character;
};

constexpr KeyTranslation kKeyTranslations[] = {
    {VK_DELETE, 0x10}, {VK_LEFT, 0x1D}, {VK_RIGHT, 0x1C}, {VK_UP, 0x1E},   {VK_DOWN, 0x1F},
    {VK_HOME, 0x1A},   {VK_END, 0x19},  {VK_PRIOR, 0x17}, {VK_NEXT, 0x15},
};

SystemState& State() { return GetSystemState(); }

void RefreshWindowRect(HWND window) { GetWindowRect(window, &State().run.windowRect); }

void RequestClose() {
  SystemRuntime& run = State().run;
  if (run.closeRequested) return;
  run.closeRequested = 1;
  PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
}

void HideCursorWhileRequested() {
  if (State().run.cursorShown) return;
  SetCursor(nullptr);
  while (ShowCursor(FALSE) > -1) {
  }
}

bool IsPushedCharacter(WPARAM code) {
  switch (code) {
    case 0x01: case 0x03: case 0x08: case 0x09: case 0x0D:
    case 0x10: case 0x16: case 0x18: case 0x1B:
      return true;
    default:
      return code >= 0x20;
  }
}

void OnActivate(WPARAM wParam) {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  StartImeReopenIfOpen();
  const bool fullScreen = state.settings.windowMode == 0;
  // A windowed device that cannot present has lost its surfaces.
  if (!fullScreen && GetScreenSettings().hardwareOn && PresentDeviceOnActivation() != 0) {
    RecoverGraphics();
  }
  if (fullScreen && run.initialised) {
    if (HIWORD(wParam) == 0) RecoverGraphics();
    ResumeAllMovies();
  } else if (!state.settings.runWhileInactive) {
    ResumeAllMovies();
  }
  ReacquireInputDevices();
  RefreshJoypadEffects();
}

void OnDeactivate() {
  SystemState& state = State();
  const bool fullScreen = state.settings.windowMode == 0;
  if (fullScreen) {
    if (GetOsVersionCode() >= kOsWindowsVista || !GetScreenSettings().hardwareOn) {
      ChangeDisplaySettingsA(nullptr, 0);
      ShowWindow(state.run.mainWindow, SW_MINIMIZE);
    }
    if (GetDirectDrawObject()) {
      if (state.run.dwmCompositionOff) EnableDwmComposition(1);
      if (!CheckGraphRestoreHandler()) {
        AppendLog("復元関数が登録されていないため終了します\n");
        RequestClose();
        return;
      }
      PauseAllMovies();
      RefreshJoypadEffects();
      return;
    }
  }
  if (!state.settings.runWhileInactive) PauseAllMovies();
  ReacquireInputDevices();
  RefreshJoypadEffects();
}

void OnActivateMessage(WPARAM wParam) {
  SystemRuntime& run = State().run;
  const bool active = LOWORD(wParam) != WA_INACTIVE;
  run.active = active ? 1 : 0;
  if (run.windowCreating) return;
  if (active) {
    OnActivate(wParam);
  } else {
    OnDeactivate();
  }
}

void OnPaint(HWND window) {
  SystemState& state = State();
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  if (state.settings.windowMode) {
    state.run.painting = 1;
    if (!state.run.initialised) {
      FillRect(paint.hdc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    } else if (GetDrawTarget() == kDrawTargetBackScreen) {
      const IntRect region = {paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                              paint.rcPaint.bottom};
      // A repaint restores what is already on the screen; waiting for the
      // blank would only hold up the message that asked for it.
      const int vsyncWait = CheckVSyncWait();
      EnableVSyncWait(0);
      PresentScreenRegion(&region);
      EnableVSyncWait(vsyncWait);
    }
    state.run.painting = 0;
  }
  EndPaint(window, &paint);
}

void OnSizing(WPARAM edge, RECT* proposed) {
  SystemRuntime& run = State().run;
  RECT outer;
  RECT client;
  if (!GetWindowRect(run.mainWindow, &outer) || !GetClientRect(run.mainWindow, &client)) return;
  int screenWidth = 0;
  int screenHeight = 0;
  GetScreenModeSize(&screenWidth, &screenHeight);
  const SizingFrame frame = {
      (outer.right - outer.left) - client.right,
      (outer.bottom - outer.top) - client.bottom,
      run.desktopWidth,
      run.desktopHeight,
      screenWidth,
      screenHeight,
  };
  SizingRect rect = {proposed->left, proposed->top, proposed->right, proposed->bottom};
  const double scale = FitSizingToAspect(static_cast<int>(edge), frame, &rect);
  *proposed = {rect.left, rect.top, rect.right, rect.bottom};
  State().settings.windowScaleX = scale;
  State().settings.windowScaleY = scale;
}

void OnDisplayChange(WPARAM wParam, LPARAM lParam) {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  if (state.settings.windowMode == 0 || run.modeChangeInProgress) {
    run.displayChanged = 1;
    return;
  }
  const int bits = static_cast<int>(wParam);
  const int width = LOWORD(lParam);
  const int height = HIWORD(lParam);
  int screenWidth = 0;
  int screenHeight = 0;
  int screenBits = 0;
  QueryScreenState(&screenWidth, &screenHeight, &screenBits);
  if (bits == screenBits && width == screenWidth && height == screenHeight) {
    run.displayChanged = 1;
    return;
  }
  const bool survived = CheckGraphRestoreHandler() && bits != 24 &&
                        (bits != 8 || bits == screenBits) && width >= screenWidth &&
                        height >= screenHeight;
  if (survived) {
    ResumeAllMovies();
    run.displayChanged = 1;
    return;
  }
  AppendLog("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
  AppendLog("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
  RequestClose();
}

void OnDropFiles(HDROP drop) {
  SystemRuntime& run = State().run;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count && run.droppedFileCount < kDroppedFileLimit; ++i) {
    const UINT length = DragQueryFileA(drop, i, nullptr, 0);
    auto* path = static_cast<char*>(TRACKED_ALLOC(static_cast<size_t>(length) + 1));
    if (!path) break;
    DragQueryFileA(drop, i, path, length + 1);
    run.droppedFiles[run.droppedFileCount++] = path;
  }
  DragFinish(drop);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  switch (message) {
    case WM_ACTIVATE:
      OnActivateMessage(wParam);
      break;
    case WM_ACTIVATEAPP:
      if (wParam == 0) OnActivateMessage(WA_INACTIVE);
      break;
    case WM_PAINT:
      OnPaint(window);
      break;
    case WM_MOVE:
      RefreshWindowRect(window);
      if (state.settings.windowMode && !run.modeChangeInProgress) HandleWindowMove(lParam);
      break;
    case WM_SIZE:
      RefreshWindowRect(window);
      if (wParam != SIZE_MAXIMIZED) {
        AdjustWindowPlacement();
      } else if (state.settings.windowModeChangeAllowed) {
        run.altEnterRequested = 1;
      }
      break;
    case WM_SIZING:
      RefreshWindowRect(window);
      if (state.settings.windowMode) OnSizing(wParam, reinterpret_cast<RECT*>(lParam));
      break;
    case WM_MOVING:
      RefreshWindowRect(window);
      if (!state.settings.windowMode) *reinterpret_cast<RECT*>(lParam) = run.windowRect;
      break;
    case WM_DISPLAYCHANGE:
      OnDisplayChange(wParam, lParam);
      break;
    case WM_NCHITTEST:
      if (GetScreenSettings().hardwareOn && !state.settings.windowMode &&
          static_cast<short>(HIWORD(lParam)) < 8) {
        return HTMENU;
      }
      break;
    case WM_SETCURSOR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      HideCursorWhileRequested();
      break;
    case WM_KEYDOWN:
      if (HasInputCharRoom()) {
        for (const KeyTranslation& key : kKeyTranslations) {
          if (key.virtualKey == wParam) PushInputChar(key.character);
        }
      }
      break;
    case WM_CHAR:
      if (wParam == 0x0A) {
        PushInputChar(0x0D);
      } else if (IsPushedCharacter(wParam)) {
        PushInputChar(static_cast<int>(wParam));
      }
      break;
    case WM_SYSCHAR:
      if (wParam == 0x0D && state.settings.windowModeChangeAllowed) {
        run.altEnterRequested = 1;
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER) return 1;
      break;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_SETCONTEXT:
    case WM_IME_NOTIFY:
      return HandleImeMessage(window, message, wParam, lParam);
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      break;
    case MM_MCINOTIFY:
      ProcessMciNotify();
      break;
    case kSocketWindowMessage:
      return HandleSocketMessage(wParam, lParam);
    case WM_CLOSE:
      AppendLog("ウインドウを閉じようとしています\n");
      DestroyWindow(run.mainWindow ? run.mainWindow : window);
      return 0;
    case WM_DESTROY:
      AppendLog("ウインドウが破棄されようとしています\n");
      run.windowDestroyed = 1;
      PostQuitMessage(0);
      run.endRequested = 1;
      AppendLog("ソフトを終了する準備が整いました\n");
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int HandleWindowMove(LPARAM lParam) {
  SystemRuntime& run = State().run;
  RECT client;
  if (!GetClientRect(run.mainWindow, &client)) return 0;
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  run.clientScreenRect = {x, y, x + client.right, y + client.bottom};
  return 0;
}

void ForceForegroundWindow(HWND window, int topmost) {
  const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const DWORD ownThread = GetWindowThreadProcessId(window, nullptr);
  const bool attach = foregroundThread != 0 && foregroundThread != ownThread;
  if (attach) AttachThreadInput(ownThread, foregroundThread, TRUE);
  DWORD savedTimeout = 0;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &savedTimeout, 0);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  SetForegroundWindow(window);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                        reinterpret_cast<void*>(static_cast<uintptr_t>(savedTimeout)), 0);
  if (attach) AttachThreadInput(ownThread, foregroundThread, FALSE);
  if (topmost == 1) {
    SetWindowPos(State().run.mainWindow, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
  }
}

int GetClientScreenRect(RECT* rect) {
  const SystemRuntime& run = State().run;
  *rect = run.clientScreenRect;
  rect->top += run.toolbarHeight;
  rect->bottom += run.toolbarHeight;
  return 0;
}

int ClearDroppedFiles() {
  SystemRuntime& run = State().run;
  for (int i = 0; i < run.droppedFileCount; ++i) {
    FreeTrackedMemory(run.droppedFiles[i]);
    run.droppedFiles[i] = nullptr;
  }
  run.droppedFileCount = 0;
  return 0;
}

int EndWindow() {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  RestoreScreenSaver();
  if (run.mainWindow) {
    if (state.dlls.user32.WINNLSEnableIME) state.dlls.user32.WINNLSEnableIME(run.mainWindow, TRUE);
    if (!run.cursorShown) {
      while (ShowCursor(TRUE) < 0) {
      }
      PostMessageA(run.mainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(run.mainWindow), 0);
    }
    run.cursorShown = 1;
    run.cursorVisible = 1;
    if (!run.closeRequested) {
      RequestClose();
      while (!run.windowDestroyed && IsWindow(run.mainWindow) && PumpMessagesCore() == 0) {
      }
    }
    UnregisterClassA(state.settings.windowClassName, run.instance);
    EndKeyInput();
    ClearDroppedFiles();
  }
  EndSmallestTimerPeriod();
  if (run.layeredBitmap) {
    DeleteObject(run.layeredBitmap);
    run.layeredBitmap = nullptr;
  }
  return 0;
}
