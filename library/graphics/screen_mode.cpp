#include "graphics/screen_mode.h"

#include "direct3d9/device_services.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/font_system.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_settings.h"
#include "system/log.h"
#include "system/message_pump.h"
#include "system/system_state.h"
#include "system/window_mode.h"

namespace {

ScreenMode CurrentMode() {
  const ScreenSettings& screen = GetScreenSettings();
  return {screen.width, screen.height, screen.colorBits, screen.refreshRate};
}

bool SameMode(const ScreenMode& a, const ScreenMode& b) {
  return a.width == b.width && a.height == b.height && a.colorBits == b.colorBits &&
         a.refreshRate == b.refreshRate;
}

void StoreMode(const ScreenMode& mode) {
  ScreenSettings& screen = GetScreenSettings();
  screen.width = mode.width;
  screen.height = mode.height;
  screen.colorBits = mode.colorBits;
  screen.refreshRate = mode.refreshRate;
}

bool LibraryStartedOrStarting() {
  const SystemState& state = GetSystemState();
  return state.run.initialised || state.settings.initialising;
}

// Stores the mode and restarts graphics with it; 0 when the set-up worked.
int TrySetup(const ScreenMode& mode) {
  StoreMode(mode);
  return SetupGraphicsSystem();
}

}  // namespace

int EnableHardwareRender(int flag) {
  if (GetSystemState().run.initialised) return -1;
  GetScreenSettings().hardwareRefused = flag == 0 ? 1 : 0;
  return 0;
}

int CheckHardwareRenderAllowed() { return GetScreenSettings().hardwareRefused ? 0 : 1; }

int GetFullScreenFlag() { return GetSystemState().settings.windowMode ? 0 : 1; }

int SetScreenMode(int width, int height, int colorBits, int refreshRate) {
  if (width == 0 || height == 0 || (colorBits != 8 && colorBits != 16 && colorBits != 32)) {
    return -1;
  }
  if (!LibraryStartedOrStarting()) {
    StoreMode({width, height, colorBits, refreshRate});
    return 0;
  }
  const ScreenMode old = CurrentMode();
  ChangeScreenMode({width, height, colorBits, 0, refreshRate});
  return ScreenModeChangeResult({width, height, colorBits, refreshRate}, old, CurrentMode());
}

int ScreenModeChangeResult(const ScreenMode& request, const ScreenMode& old,
                           const ScreenMode& now) {
  if (SameMode(now, request)) return 0;
  const ScreenMode lastFallback = {kDefaultScreenWidth, kDefaultScreenHeight,
                                   kDefaultScreenColorBits, 0};
  if (!SameMode(now, old) && SameMode(now, lastFallback)) return -2;
  return -1;
}

int SetUpWithFallbacks(const ScreenMode& target, const ScreenMode& old, int oldEmulation,
                       int (*trySetup)(const ScreenMode& mode)) {
  if (trySetup(target) == 0) return 0;
  ScreenSettings& screen = GetScreenSettings();
  if (target.width == 320 && target.height == 240) {
    screen.emulation320x240Active = 1;
    if (trySetup({640, 480, target.colorBits, target.refreshRate}) == 0) return 0;
  }
  // A fallback mode brings its own emulation state: the emulation of a
  // request that failed would otherwise shrink the reported screen.
  screen.emulation320x240Active = oldEmulation;
  if (trySetup(old) == 0) return 0;
  screen.emulation320x240Active = 0;
  const ScreenMode lastFallback = {kDefaultScreenWidth, kDefaultScreenHeight,
                                   kDefaultScreenColorBits, 0};
  return trySetup(lastFallback) == 0 ? 0 : -1;
}

int ChangeScreenMode(const ScreenModeRequest& request) {
  FlushVertexBatch();
  ScreenSettings& screen = GetScreenSettings();
  const bool windowMode = GetSystemState().settings.windowMode != 0;
  const int oldEmulation = screen.emulation320x240Active;
  ScreenMode target = CurrentMode();
  if (request.width != -1) target.width = request.width;
  if (request.height != -1) target.height = request.height;
  if (request.colorBits != -1) target.colorBits = request.colorBits;
  if (request.refreshRate != -1) target.refreshRate = request.refreshRate;
  if (windowMode) {
    if (request.emulation == 1 && screen.emulation320x240Active && target.width == 640 &&
        target.height == 480) {
      target.width = 320;
      target.height = 240;
    }
    screen.emulation320x240Active = 0;
  } else if (target.width == 320 && target.height == 240) {
    target.width = 640;
    target.height = 480;
    screen.emulation320x240Active = 1;
  } else {
    screen.emulation320x240Active = 0;
  }
  const ScreenMode old = CurrentMode();
  if (SameMode(target, old) && request.emulation != 1) return 0;

  AppendLog("画面モード変更処理を開始します\n");
  IncreaseLogIndent();
  // The font system starts afresh with the graphics; the default font's
  // size and thickness are carried over.
  const int defaultFont = QueryDefaultFontHandle();
  const bool fontRemembered = screen.graphicsSetUp && IsValidFontHandle(defaultFont);
  char fontFace[kFontFaceSize] = "";
  int fontSize = -1;
  int fontThickness = -1;
  if (fontRemembered) GetFontHandleInfo(fontFace, &fontSize, &fontThickness, defaultFont);
  if (!LibraryStartedOrStarting()) {
    DecreaseLogIndent();
    return 0;
  }
  if (screen.graphicsSetUp) ShutdownGraphicsSystem();
  if (SetUpWithFallbacks(target, old, oldEmulation, TrySetup) != 0) {
    ExitWithError("予期せぬ画面モード変更不能現象が起きました2\n");
  }
  if (windowMode) ApplyWindowStyle();
  if (fontRemembered) SetDefaultFontSizeAndThickness(fontFace, fontSize, fontThickness);
  DecreaseLogIndent();
  AppendLog("画面モード変更処理は正常に終了しました\n");
  PumpMessagesCore();
  SelectDrawTarget(GetDrawTarget());
  return 0;
}

int QueryScreenState(int* width, int* height, int* colorBits) {
  const ScreenSettings& screen = GetScreenSettings();
  int w = 0;
  int h = 0;
  GetScreenModeSize(&w, &h);
  if (screen.emulation320x240Active || GetDrawState().emulation320x240Request) {
    w = 320;
    h = 240;
  }
  if (width) *width = w;
  if (height) *height = h;
  if (colorBits) *colorBits = GetScreenColorBits();
  return 0;
}

int GetScreenColorBits() {
  const int bits = GetScreenSettings().colorBits;
  return bits != 0 ? bits : kDefaultScreenColorBits;
}
