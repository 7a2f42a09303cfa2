#include "graphics/presentation.h"

#include "graphics/screen_settings.h"
#include "system/system_state.h"

int MapPresentRegion(const IntRect& region, const IntRect& presented, int screenWidth,
                     int screenHeight, IntRect* source) {
  const int64_t presentedWidth = presented.right - presented.left;
  const int64_t presentedHeight = presented.bottom - presented.top;
  if (presentedWidth <= 0 || presentedHeight <= 0) return -1;
  // Window pixels go back to screen pixels: a region of a window shown at
  // scale 2 covers half as many screen pixels.
  auto mapX = [&](int x) {
    return static_cast<int32_t>((x - presented.left) * static_cast<int64_t>(screenWidth) /
                                presentedWidth);
  };
  auto mapY = [&](int y) {
    return static_cast<int32_t>((y - presented.top) * static_cast<int64_t>(screenHeight) /
                                presentedHeight);
  };
  source->left = mapX(region.left);
  source->top = mapY(region.top);
  source->right = mapX(region.right);
  source->bottom = mapY(region.bottom);
  if (source->right == source->left || source->bottom == source->top) return -1;
  return 0;
}

int PresentScreenRegion(const IntRect* region) {
  const SystemRuntime& run = GetSystemState().run;
  if (!run.initialised || run.endRequested) return -1;
  const ScreenSettings& screen = GetScreenSettings();
  if (region) {
    int width = 0;
    int height = 0;
    GetScreenModeSize(&width, &height);
    IntRect source;
    if (MapPresentRegion(*region, screen.lastPresentedRect, width, height, &source) != 0) {
      return -1;
    }
  }
  // Nothing is shown until the software screen exists; its copy to the
  // window comes with the screen image.
  return 0;
}

int PresentScreen() { return PresentScreenRegion(nullptr); }
