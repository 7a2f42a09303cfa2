#include <windows.h>
#include <initguid.h>
#include <ddraw.h>

#include <cstring>

#include "direct3d9/direct3d_state.h"
#include "graphics/presentation.h"
#include "graphics/screen_settings.h"
#include "system/log.h"
#include "system/system_state.h"
#include "system/window_mode.h"

namespace {

constexpr int64_t kUnmeasuredWaitMicroseconds = 4000;
constexpr int64_t kLeftToVerticalBlankMicroseconds = 3000;
constexpr int kIntervalSamplesWanted = 10;
constexpr int kIntervalPassLimit = 60;
constexpr int64_t kIntervalTolerance = 999;

IDirectDraw7* directDraw = nullptr;

void WaitForBlank() {
  if (directDraw) directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
}

}  // namespace

IDirectDraw7* GetDirectDrawObject() { return directDraw; }

void ReleaseDirectDrawObject() {
  if (directDraw) directDraw->Release();
  directDraw = nullptr;
}

int CreateDirectDrawObject() {
  ReleaseDirectDrawObject();
  SystemState& state = GetSystemState();
  AppendLog("DirectDraw オブジェクトの取得を行います....  ");
  const auto coCreateInstance = state.dlls.ole32.CoCreateInstance;
  void* object = nullptr;
  if (!coCreateInstance ||
      coCreateInstance(CLSID_DirectDraw7, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER |
                                                       CLSCTX_LOCAL_SERVER,
                       IID_IDirectDraw7, &object) < 0 ||
      !object) {
    AppendLog("オブジェクトの取得に失敗しました\n");
    return -1;
  }
  directDraw = static_cast<IDirectDraw7*>(object);
  AppendLog("成功\n");
  AppendLog("引き続き初期化処理... ");
  if (directDraw->Initialize(nullptr) < 0) {
    AppendLog("DirectDrawオブジェクトの初期化に失敗しました\n");
    ReleaseDirectDrawObject();
    return -1;
  }
  AppendLog("初期化に成功しました\n");
  DWORD level = DDSCL_NORMAL;
  if (state.settings.fpuPreserve) level |= DDSCL_FPUPRESERVE;
  directDraw->SetCooperativeLevel(state.run.mainWindow, level);
  if (GetDirect3DState().disableDwm) EnableDwmComposition(0);
  return 0;
}

void* QueryDirectDrawCaps(void* caps) {
  static_assert(sizeof(DDCAPS_DX7) == 380, "the capability record is 380 bytes");
  std::memset(caps, 0, sizeof(DDCAPS_DX7));
  return caps;
}

void WaitVSyncByTimer() {
  ScreenSettings& screen = GetScreenSettings();
  const int64_t limit = screen.vsyncIntervalMicroseconds >= 0
                            ? screen.vsyncIntervalMicroseconds - kLeftToVerticalBlankMicroseconds
                            : kUnmeasuredWaitMicroseconds;
  if (GetTickMicroseconds(0) - screen.lastVSyncWaitTime < limit) {
    Sleep(0);
    while (GetTickMicroseconds(0) - screen.lastVSyncWaitTime < limit) Sleep(1);
    WaitForBlank();
    screen.lastVSyncWaitTime = GetTickMicroseconds(0);
  } else {
    WaitForBlank();
    screen.lastVSyncWaitTime = GetTickMicroseconds(0);
    Sleep(0);
  }
}

int MeasureVSyncInterval() {
  ScreenSettings& screen = GetScreenSettings();
  screen.vsyncIntervalMicroseconds = -1;
  if (directDraw) {
    WaitForBlank();
    int64_t previousTime = GetTickMicroseconds(0);
    int64_t previousDelta = 0;
    int count = 0;
    int64_t sum = 0;
    for (int pass = 0; pass < kIntervalPassLimit && count < kIntervalSamplesWanted; ++pass) {
      WaitForBlank();
      const int64_t now = GetTickMicroseconds(0);
      const int64_t delta = now - previousTime;
      previousTime = now;
      const int64_t change = delta > previousDelta ? delta - previousDelta : previousDelta - delta;
      // The first delta is compared with 0 and so always starts the count
      // afresh.
      if (change > kIntervalTolerance || pass == 0) {
        count = 0;
        sum = 0;
      } else {
        ++count;
        sum += delta;
        if (count == kIntervalSamplesWanted) screen.vsyncIntervalMicroseconds = sum / count;
      }
      previousDelta = delta;
      Sleep(5);
    }
  }
  WaitVSyncByTimer();
  return 0;
}
