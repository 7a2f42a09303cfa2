// The screen mode and the renderer in use. Before start-up everything is 0
// (colour bits 0 make colour codes 32-bit); the screen-mode code fills it.
#ifndef OMBREL_GRAPHICS_SCREEN_SETTINGS_H
#define OMBREL_GRAPHICS_SCREEN_SETTINGS_H

#include <stdint.h>

#include "Ombrel.h"

struct ScreenSettings {
  int graphicsSetUp;
  int width;
  int height;
  int colorBits;
  int refreshRate;  // 0 = any
  IntRect lastPresentedRect;
  int64_t vsyncIntervalMicroseconds;  // -1 = not measured
  int64_t lastVSyncWaitTime;
  int hardwareOn;       // 1 only while a Direct3D device is in use
  int hardwareRefused;  // 1 after EnableHardwareRender(0)
  int emulation320x240Active;
};

ScreenSettings& GetScreenSettings();

// The mode's size, 640 x 480 for values not yet set; either pointer may be null.
int GetScreenModeSize(int* width, int* height);

#endif
