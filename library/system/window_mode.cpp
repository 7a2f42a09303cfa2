#include "system/window_mode.h"

#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "system/charset.h"
#include "system/log.h"
#include "system/message_pump.h"
#include "system/string_helpers.h"
#include "system/system_state.h"
#include "system/window_geometry.h"

namespace {

SystemState& State() { return GetSystemState(); }

double StoredScale(double* scale) {
  if (*scale <= 0.0) *scale = 1.0;
  return *scale;
}

struct DesktopMode {
  int width;
  int height;
  int colorBits;
};

DesktopMode ReadDesktopMode() {
  DesktopMode mode = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0};
  HDC screen = GetDC(nullptr);
  mode.colorBits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return mode;
}

void ApplyWindowModeStyle(SystemState& state) {
  SystemRuntime& run = state.run;
  HWND window = run.mainWindow;
  AppendLog("ウインドウスタイルをウインドウモード用に変更します... ");
  const WindowStyles styles = GetWindowModeStyles(
      state.settings.windowStyleNumber, state.settings.layeredWindow, run.visibleStyle);
  SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>(styles.exStyle));
  SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(styles.style));
  int width = 0;
  int height = 0;
  GetScaledClientSize(&width, &height);
  RECT outer = {0, 0, width, height + run.toolbarHeight};
  AdjustWindowRectEx(&outer, styles.style, FALSE, styles.exStyle);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  int x = CentreOffset(GetSystemMetrics(SM_CXSCREEN), outerWidth);
  int y = CentreOffset(GetSystemMetrics(SM_CYSCREEN), outerHeight);
  SetWindowPos(window, HWND_NOTOPMOST, x, y, outerWidth, outerHeight, 0);
  SetWindowPos(window, HWND_TOP, x, y, outerWidth, outerHeight, 0);

  // A window larger than the desktop keeps its client's top-left corner on
  // the desktop, so the picture's start is always visible.
  RECT client = ReadClientScreenRect(window);
  if (client.left < 0 || client.top < 0) {
    const int dx = client.left < 0 ? -client.left : 0;
    const int dy = client.top < 0 ? -client.top : 0;
    x += dx;
    y += dy;
    SetWindowPos(window, HWND_TOP, x, y, outerWidth, outerHeight, 0);
    client = {client.left + dx, client.top + dy, client.right + dx, client.bottom + dy};
  }
  run.clientScreenRect = client;
  SetCursorVisible(1);
  AppendLog("完了\n");
}

void ApplyFullScreenStyle(SystemState& state) {
  SystemRuntime& run = state.run;
  HWND window = run.mainWindow;
  AppendLog("ウインドウスタイルをフルスクリーンモード用に変更します... ");
  SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>(kFullScreenExStyle));
  SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(kFullScreenStyle));
  int width = 0;
  int height = 0;
  GetScreenModeSize(&width, &height);
  run.clientScreenRect = {0, 0, width, height};
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height, SWP_NOREDRAW);
  SetCursorVisible(0);
  AppendLog("完了\n");
}

}  // namespace

RECT ReadClientScreenRect(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT topLeft = {client.left, client.top};
  POINT bottomRight = {client.right, client.bottom};
  ClientToScreen(window, &topLeft);
  ClientToScreen(window, &bottomRight);
  return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void GetScaledClientSize(int* width, int* height) {
  int screenWidth = 0;
  int screenHeight = 0;
  GetScreenModeSize(&screenWidth, &screenHeight);
  double scaleX = 1.0;
  double scaleY = 1.0;
  GetWindowScale(&scaleX, &scaleY);
  *width = ScaleScreenLength(screenWidth, scaleX);
  *height = ScaleScreenLength(screenHeight, scaleY);
}

int StoreWindowModeFlag(int flag) {
  State().settings.windowMode = flag;
  AppendLog(flag ? "ウインドウモードフラグが立てられました\n" : "ウインドウモードフラグが倒されました\n");
  return 0;
}

int ChangeWindowMode(int flag) {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  AppendLog("ChangeWindowMode実行 \n");
  if (flag == state.settings.windowMode) return 0;
  ScreenSettings& screen = GetScreenSettings();
  if (flag == 0 && run.mainWindow) {
    int width = 0;
    int height = 0;
    GetScreenModeSize(&width, &height);
    const bool is320x240 = width == 320 && height == 240;
    if (!HasDisplayModeOfSize(width, height) && !(is320x240 && CheckHardwareRenderAllowed())) {
      return -1;
    }
    if (is320x240) {
      screen.emulation320x240Active = 1;
      screen.width = 640;
      screen.height = 480;
    }
  }
  run.visibleStyle = 1;
  run.displayChanged = 0;
  StoreWindowModeFlag(flag);
  if (!run.mainWindow) return 0;

  run.modeChangeInProgress = 1;
  const DesktopMode before = ReadDesktopMode();
  ApplyWindowStyle();
  const int result = ChangeScreenMode({-1, -1, -1, 1, -1});
  // The display reports its change with WM_DISPLAYCHANGE; there is nothing
  // to wait for when the desktop kept its mode, and a display that never
  // reports must not hold the program.
  const DesktopMode after = ReadDesktopMode();
  const bool desktopChanged = before.width != after.width || before.height != after.height ||
                              before.colorBits != after.colorBits;
  if (result == 0 && desktopChanged) {
    const int start = GetTickMilliseconds();
    while (!run.displayChanged && GetTickMilliseconds() - start < kDisplayChangeWaitMilliseconds &&
           PumpMessagesCore() == 0) {
      Sleep(1);
    }
  }
  run.modeChangeInProgress = 0;
  return result;
}

int ApplyWindowStyle() {
  SystemState& state = State();
  if (!state.run.mainWindow) return 0;
  if (state.settings.windowMode) {
    ApplyWindowModeStyle(state);
  } else {
    ApplyFullScreenStyle(state);
  }
  SetActiveWindow(state.run.mainWindow);
  PostMessageA(state.run.mainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(state.run.mainWindow),
               0);
  return 0;
}

int SetWindowScale(double x, double y) {
  SystemSettings& settings = State().settings;
  if (y <= 0.0) y = x;
  if (x == settings.windowScaleX && y == settings.windowScaleY) return 0;
  settings.windowScaleX = x > 0.0 ? x : 1.0;
  settings.windowScaleY = y > 0.0 ? y : 1.0;
  if (settings.windowMode) ApplyWindowStyle();
  return 0;
}

double GetWindowScale(double* x, double* y) {
  SystemSettings& settings = State().settings;
  double scaleX = StoredScale(&settings.windowScaleX);
  double scaleY = StoredScale(&settings.windowScaleY);
  if (!settings.windowMode) {
    scaleX = 1.0;
    scaleY = 1.0;
  }
  if (x) *x = scaleX;
  if (y) *y = scaleY;
  return scaleX;
}

int AdjustWindowPlacement() {
  SystemState& state = State();
  SystemRuntime& run = state.run;
  int width = 0;
  int height = 0;
  GetScaledClientSize(&width, &height);
  RECT outer;
  RECT client;
  GetWindowRect(run.mainWindow, &outer);
  if (!GetClientRect(run.mainWindow, &client)) return 0;
  run.clientScreenRect.right = run.clientScreenRect.left + client.right;
  run.clientScreenRect.bottom = run.clientScreenRect.top + client.bottom;
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  MoveWindow(run.mainWindow, outer.left, outer.top, frameWidth + width,
             frameHeight + height + run.toolbarHeight, TRUE);
  if (state.settings.windowMode && !run.visibleStyle) {
    run.visibleStyle = 1;
    ApplyWindowStyle();
  }
  return 0;
}

int SetMainWindowTitle(const char* text) {
  SystemState& state = State();
  char* title = state.settings.windowTitle;
  // A longer title is cut before the character that would not fit whole.
  int length = 0;
  while (text[length] != '\0' && length < kWindowTitleSize - 1) {
    const int step = IsDbcsLeadByte(text + length, GetCharsetCode()) && text[length + 1] != '\0'
                         ? 2
                         : 1;
    if (length + step > kWindowTitleSize - 1) break;
    length += step;
  }
  CopyStringN(title, text, length);
  if (state.run.mainWindow) SetWindowTextA(state.run.mainWindow, title);
  return 0;
}

int SetWindowIconResource(int resourceId) {
  SystemState& state = State();
  state.settings.iconResourceId = resourceId;
  if (state.run.mainWindow) {
    HICON icon = LoadIconA(resourceId ? state.run.instance : nullptr,
                           resourceId ? MAKEINTRESOURCEA(resourceId) : IDI_APPLICATION);
    SetClassLongPtrA(state.run.mainWindow, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  }
  return 0;
}

int SetRunWhileInactive(int flag) {
  State().settings.runWhileInactive = flag;
  return 0;
}

int EnableDwmComposition(int flag) {
  SystemState& state = State();
  const int off = flag == 0 ? 1 : 0;
  if (off == state.run.dwmCompositionOff) return 0;
  if (state.dlls.dwmapi.DwmEnableComposition) state.dlls.dwmapi.DwmEnableComposition(flag);
  state.run.dwmCompositionOff = off;
  return 0;
}

int IsEndRequested() { return State().run.endRequested; }

HWND__* GetMainWindow() { return State().run.mainWindow; }

int IsWindowMode() { return State().settings.windowMode; }

int IsAppActive() { return State().run.active; }

int IsRunWhileInactive() { return State().settings.runWhileInactive; }

int IsCloseRequested() { return State().run.closeRequested; }

int GetDesktopMode(int* width, int* height, int* colorBits) {
  const SystemRuntime& run = State().run;
  DesktopMode mode;
  if (run.initialised) {
    mode = {run.desktopWidth, run.desktopHeight, run.desktopColorBits};
  } else {
    mode = ReadDesktopMode();
  }
  if (width) *width = mode.width;
  if (height) *height = mode.height;
  if (colorBits) *colorBits = mode.colorBits;
  return 0;
}
