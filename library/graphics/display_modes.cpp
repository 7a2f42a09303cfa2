#include <windows.h>

#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "system/log.h"
#include "system/window_mode.h"

namespace {

struct DisplayModeList {
  DisplayModeInfo* modes;
  int count;
  int built;
};

DisplayModeList modeList = {};

void EnsureDisplayModeList() {
  if (!modeList.built) BuildDisplayModeList(nullptr, nullptr);
}

int TryDisplayChange(DEVMODEA* mode, DWORD flags) {
  return ChangeDisplaySettingsA(mode, flags) == DISP_CHANGE_SUCCESSFUL ? 0 : -1;
}

}  // namespace

int BuildDisplayModeList(int* count, DisplayModeInfo** list) {
  if (modeList.modes) HeapFree(GetProcessHeap(), 0, modeList.modes);
  modeList = DisplayModeList{};
  modeList.built = 1;
  int kept = 0;
  for (DWORD i = 0;; ++i) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, i, &mode)) break;
    if (mode.dmBitsPerPel >= 16) ++kept;
  }
  if (kept > 0) {
    modeList.modes = static_cast<DisplayModeInfo*>(
        HeapAlloc(GetProcessHeap(), 0, sizeof(DisplayModeInfo) * static_cast<size_t>(kept)));
  }
  if (modeList.modes) {
    // The modes are enumerated again: the list may not hold more than was
    // counted even if the system's list grew in between.
    for (DWORD i = 0; modeList.count < kept; ++i) {
      DEVMODEA mode = {};
      mode.dmSize = sizeof mode;
      if (!EnumDisplaySettingsA(nullptr, i, &mode)) break;
      if (mode.dmBitsPerPel < 16) continue;
      modeList.modes[modeList.count++] = {static_cast<int>(mode.dmPelsWidth),
                                          static_cast<int>(mode.dmPelsHeight),
                                          static_cast<int>(mode.dmBitsPerPel),
                                          static_cast<int>(mode.dmDisplayFrequency)};
    }
  }
  if (count) *count = modeList.count;
  if (list) *list = modeList.modes;
  return 0;
}

void FreeDisplayModeList() {
  if (modeList.modes) HeapFree(GetProcessHeap(), 0, modeList.modes);
  modeList = DisplayModeList{};
}

int CountDisplayModes() {
  EnsureDisplayModeList();
  return modeList.count;
}

DisplayModeInfo* FetchDisplayMode(DisplayModeInfo* out, int index) {
  EnsureDisplayModeList();
  if (index < 0 || index >= modeList.count) {
    *out = {-1, -1, -1, -1};
  } else {
    *out = modeList.modes[index];
  }
  return out;
}

int IsDisplayModeAvailable(int width, int height, int colorBits) {
  EnsureDisplayModeList();
  for (int i = 0; i < modeList.count; ++i) {
    const DisplayModeInfo& mode = modeList.modes[i];
    if (mode.width == width && mode.height == height && mode.colorBits == colorBits) return 1;
  }
  return 0;
}

int HasDisplayModeOfSize(int width, int height) {
  EnsureDisplayModeList();
  for (int i = 0; i < modeList.count; ++i) {
    if (modeList.modes[i].width == width && modeList.modes[i].height == height) return 1;
  }
  return 0;
}

int ApplyDisplayMode() {
  ScreenSettings& screen = GetScreenSettings();
  AppendLogFormat("画面モードの変更処理を開始します %u x %u  %u bit ",
                  static_cast<unsigned>(screen.width), static_cast<unsigned>(screen.height),
                  static_cast<unsigned>(screen.colorBits));
  if (screen.colorBits != 16 && screen.colorBits != 32) return -1;
  AppendLog("画面解像度を変更します... ");
  DEVMODEA mode = {};
  mode.dmSize = sizeof mode;
  mode.dmBitsPerPel = static_cast<DWORD>(screen.colorBits);
  mode.dmPelsWidth = static_cast<DWORD>(screen.width);
  mode.dmPelsHeight = static_cast<DWORD>(screen.height);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  if (screen.refreshRate) {
    mode.dmDisplayFrequency = static_cast<DWORD>(screen.refreshRate);
    mode.dmFields |= DM_DISPLAYFREQUENCY;
  }
  int result = TryDisplayChange(&mode, CDS_FULLSCREEN);
  if (result != 0) {
    mode.dmFields &= ~static_cast<DWORD>(DM_DISPLAYFREQUENCY);
    mode.dmDisplayFrequency = 0;
    screen.refreshRate = 0;
    result = TryDisplayChange(&mode, 0);
  }
  if (result != 0 && screen.width == 320 && screen.height == 240) {
    // A display that has no 320 x 240 mode shows it doubled.
    screen.width = 640;
    screen.height = 480;
    screen.emulation320x240Active = 1;
    mode.dmPelsWidth = 640;
    mode.dmPelsHeight = 480;
    result = TryDisplayChange(&mode, 0);
    if (result == 0) ApplyWindowStyle();
  }
  if (result != 0) {
    AppendLog("画面モードの変更に失敗しました\n");
    return -1;
  }
  AppendLog("成功しました\n");
  return 0;
}

void RestoreDesktopDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }
