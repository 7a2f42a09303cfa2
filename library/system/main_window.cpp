#include "system/main_window.h"

#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "system/bound_dlls.h"
#include "system/charset.h"
#include "system/clock.h"
#include "system/key_input.h"
#include "system/log.h"
#include "system/os_version.h"
#include "system/random.h"
#include "system/string_helpers.h"
#include "system/system_state.h"
#include "system/window_geometry.h"
#include "system/window_mode.h"

namespace {

constexpr int kTimerTestChanges = 60;
constexpr DWORD kTimerTestMilliseconds = 1000;
constexpr double kBytesPerMegabyte = 1.0 / 1048576.0;

void BindUpdateLayeredWindow(SystemRuntime& run) {
  HMODULE user32 = LoadLibraryA("user32");
  if (!user32) return;
  run.updateLayeredWindow = reinterpret_cast<decltype(run.updateLayeredWindow)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
  // user32 stays loaded for the life of any window, so the entry outlives
  // this reference.
  FreeLibrary(user32);
}

void MeasureMemory(SystemRuntime& run) {
  uint64_t total = 0;
  uint64_t free = 0;
  if (GetSystemState().info.osVersionCode >= kOsWindows2000) {
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    auto statusEx = kernel ? reinterpret_cast<BOOL(WINAPI*)(MEMORYSTATUSEX*)>(
                                 reinterpret_cast<void*>(GetProcAddress(kernel,
                                                                        "GlobalMemoryStatusEx")))
                           : nullptr;
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (statusEx && statusEx(&status)) {
      total = status.ullTotalPhys;
      free = status.ullAvailPhys;
    }
    if (kernel) FreeLibrary(kernel);
  }
  if (total == 0) {
    MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    total = static_cast<uint32_t>(status.dwTotalPhys);
    free = static_cast<uint32_t>(status.dwAvailPhys);
  }
  const double totalMegabytes = static_cast<double>(total) * kBytesPerMegabyte;
  const double freeMegabytes = static_cast<double>(free) * kBytesPerMegabyte;
  AppendLogFormat("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", totalMegabytes, freeMegabytes);
  char line[64];
  FormatString(line, sizeof line, "%.2fMB\n", freeMegabytes);
  OutputDebugStringA(line);
  run.physicalMemoryTotal = total;
  run.physicalMemoryFree = free;
}

// Keeps the performance counter as the clock unless the multimedia timer
// turns out to update more often.
void ChooseTimer(SystemRuntime& run) {
  if (!run.performanceCounter) return;
  AppendLog("タイマーの精度を検査します\n");
  const DWORD start = ReadMultimediaTime();
  DWORD lastTime = start;
  LARGE_INTEGER lastCounter;
  QueryPerformanceCounter(&lastCounter);
  int timeChanges = 0;
  int counterChanges = 0;
  while (timeChanges < kTimerTestChanges && counterChanges < kTimerTestChanges) {
    const DWORD now = ReadMultimediaTime();
    if (now - start >= kTimerTestMilliseconds) break;
    if (now != lastTime) {
      ++timeChanges;
      lastTime = now;
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    if (counter.QuadPart != lastCounter.QuadPart) {
      ++counterChanges;
      lastCounter = counter;
    }
  }
  AppendLogFormat("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d",
                  timeChanges, counterChanges);
  AppendLog(" ");
  if (timeChanges > counterChanges) {
    AppendLogFormat("Multi Media Timer を使用します Timer 精度 : %d.00 ms ",
                    static_cast<int>(GetBegunTimerPeriod()));
    run.performanceCounter = 0;
  } else {
    AppendLogFormat("パフォーマンスカウンターを使用します タイマー精度 : %lf KHz ",
                    static_cast<double>(run.counterFrequency) / 1000.0);
  }
  AppendLog(" ");
}

void ChooseCharset() {
  if (GetCharsetCode() != kCharsetDefault) return;
  int codePage = 0;
  const int charset = ChooseCharsetForCodePage(GetOEMCP(), &codePage);
  SetCharsetCode(charset, codePage);
}

HICON LoadWindowIcon(HINSTANCE instance, int resourceId) {
  return LoadIconA(resourceId ? instance : nullptr,
                   resourceId ? MAKEINTRESOURCEA(resourceId) : IDI_APPLICATION);
}

bool RegisterWindowClass(SystemState& state) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = state.run.instance;
  windowClass.hIcon = LoadWindowIcon(state.run.instance, state.settings.iconResourceId);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = state.settings.windowClassName;
  return RegisterClassExA(&windowClass) != 0;
}

HWND CreateWindowModeWindow(SystemState& state) {
  AppendLog("ウインドウモード起動用のウインドウを作成します\n");
  SystemRuntime& run = state.run;
  run.cursorVisible = 1;
  const WindowStyles styles = GetWindowModeStyles(
      state.settings.windowStyleNumber, state.settings.layeredWindow, run.visibleStyle);
  int width = 0;
  int height = 0;
  GetScaledClientSize(&width, &height);
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, styles.style, FALSE, styles.exStyle);
  run.captionOffset = -outer.top;
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  const int x = CentreOffset(GetSystemMetrics(SM_CXSCREEN), outerWidth);
  const int y = CentreOffset(GetSystemMetrics(SM_CYSCREEN), outerHeight);
  return CreateWindowExA(styles.exStyle, state.settings.windowClassName,
                         state.settings.windowTitle, styles.style, x, y, outerWidth,
                         outerHeight, nullptr, nullptr, run.instance, nullptr);
}

HWND CreateFullScreenWindow(SystemState& state) {
  AppendLog("フルスクリーンモード用のウインドウを作成します\n");
  state.run.cursorVisible = 0;
  int width = 0;
  int height = 0;
  GetScreenModeSize(&width, &height);
  return CreateWindowExA(WS_EX_TOPMOST, state.settings.windowClassName,
                         state.settings.windowTitle, WS_POPUP, 0, 0, width, height, nullptr,
                         nullptr, state.run.instance, nullptr);
}

}  // namespace

void SuspendScreenSaver() {
  SystemRuntime& run = GetSystemState().run;
  if (!run.screenSaverSaved) {
    BOOL active = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) active = TRUE;
    run.screenSaverWasActive = active ? 1 : 0;
    run.screenSaverSaved = 1;
  }
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDWININICHANGE);
}

void RestoreScreenSaver() {
  SystemRuntime& run = GetSystemState().run;
  if (!run.screenSaverSaved) return;
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, run.screenSaverWasActive ? TRUE : FALSE,
                        nullptr, SPIF_SENDWININICHANGE);
  run.screenSaverSaved = 0;
}

int InitSystemAndWindow() {
  SystemState& state = GetSystemState();
  ClearSystemStateForStartup();
  SystemRuntime& run = state.run;
  SystemSettings& settings = state.settings;

  BindUpdateLayeredWindow(run);
  if (settings.windowClassName[0] == '\0') {
    CopyString(settings.windowClassName,
               settings.windowTitle[0] != '\0' ? settings.windowTitle : kDefaultWindowClassName);
  }
  run.instance = GetModuleHandleA(nullptr);
  run.mainThreadId = GetCurrentThreadId();
  MeasureMemory(run);

  run.desktopWidth = GetSystemMetrics(SM_CXSCREEN);
  run.desktopHeight = GetSystemMetrics(SM_CYSCREEN);
  HDC desktop = GetDC(nullptr);
  run.desktopColorBits = GetDeviceCaps(desktop, PLANES) * GetDeviceCaps(desktop, BITSPIXEL);
  ReleaseDC(nullptr, desktop);

  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  run.counterFrequency = frequency.QuadPart;
  run.performanceCounter = frequency.QuadPart != 0 ? 1 : 0;
  BeginSmallestTimerPeriod();
  ChooseTimer(run);
  SeedMersenneTwister(ReadMultimediaTime() & 0x7FFFFFFF);
  SuspendScreenSaver();
  ChooseCharset();

  AppendLog("ソフトの二重起動検査... ");
  if (FindWindowA(settings.windowClassName, nullptr)) {
    AppendLog("二重起動されています、ソフトを終了します\n");
    run.endRequested = 1;
    return -1;
  }
  AppendLog("二重起動はされていませんでした\n");

  run.windowCreating = 1;
  AppendLog("ウインドウクラスを登録します... ");
  if (RegisterWindowClass(state)) {
    AppendLog("登録に成功しました\n");
  } else {
    run.endRequested = 1;
  }
  if (settings.windowTitle[0] == '\0') CopyString(settings.windowTitle, kDefaultWindowTitle);

  HWND window =
      settings.windowMode ? CreateWindowModeWindow(state) : CreateFullScreenWindow(state);
  if (!window) {
    run.endRequested = 1;
    run.windowCreating = 0;
    AppendLog("ウインドウの作成に失敗しました\n");
    return -1;
  }
  run.mainWindow = window;
  AppendLog("ウインドウの作成に成功しました\n");
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  run.closeRequested = 0;
  run.windowDestroyed = 0;
  run.active = 1;
  if (!settings.windowMode) {
    AppendLog("カーソルを不可視にしました\n");
    SetCursor(nullptr);
  }
  AppendLog("ＩＭＥを無効にしました\n");
  if (!GetKeyInputState().ime.use && state.dlls.user32.WINNLSEnableIME) {
    state.dlls.user32.WINNLSEnableIME(window, FALSE);
  }
  if (settings.windowMode) run.clientScreenRect = ReadClientScreenRect(window);
  SetCursorVisible(run.cursorVisible);
  BringWindowToTop(window);
  AdjustWindowPlacement();
  run.windowCreating = 0;
  return 0;
}
