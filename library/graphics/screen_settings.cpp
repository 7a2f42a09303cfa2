#include "graphics/screen_settings.h"

namespace {
ScreenSettings screenSettings = {0, 0, 0, 0, 0, {0, 0, 0, 0}, -1, 0, 0, 0, 0};
}

ScreenSettings& GetScreenSettings() { return screenSettings; }

int GetScreenModeSize(int* width, int* height) {
  if (width) *width = screenSettings.width != 0 ? screenSettings.width : 640;
  if (height) *height = screenSettings.height != 0 ? screenSettings.height : 480;
  return 0;
}
