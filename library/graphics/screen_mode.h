// The screen mode: recorded before start-up, changed afterwards by a full
// restart of the graphics system with fallbacks; the display-mode list and
// the hardware-renderer switch.
#ifndef OMBREL_GRAPHICS_SCREEN_MODE_H
#define OMBREL_GRAPHICS_SCREEN_MODE_H

#include "Ombrel.h"

constexpr int kDefaultScreenWidth = 640;
constexpr int kDefaultScreenHeight = 480;
constexpr int kDefaultScreenColorBits = 16;

// -1 in a field keeps the current value.
struct ScreenModeRequest {
  int width;
  int height;
  int colorBits;
  int emulation;  // 1 asks for the 320 x 240 emulation
  int refreshRate;
};

struct ScreenMode {
  int width;
  int height;
  int colorBits;
  int refreshRate;
};

// What SetScreenMode reports once a change has run: 0 when the mode in
// effect is the one requested; -2 when the change fell back to the last
// resort, 640 x 480 x 16 at any rate, from some other mode; else -1.
int ScreenModeChangeResult(const ScreenMode& request, const ScreenMode& old,
                           const ScreenMode& now);
// Sets the graphics system up with the target mode, else with the fallbacks
// in order: a 320 x 240 mode as 640 x 480 with the emulation, the old mode,
// 640 x 480 x 16 at any rate. The old mode gets back its emulation state,
// the last resort none. 0 once one worked, -1 when none did.
int SetUpWithFallbacks(const ScreenMode& target, const ScreenMode& old, int oldEmulation,
                       int (*trySetup)(const ScreenMode& mode));

struct DisplayModeInfo {
  int width;
  int height;
  int colorBits;
  int refreshRate;
};

// 1 unless the hardware renderer was refused.
int CheckHardwareRenderAllowed();
int ChangeScreenMode(const ScreenModeRequest& request);
// 1 in full-screen mode.
int GetFullScreenFlag();

int BuildDisplayModeList(int* count, DisplayModeInfo** list);
// Frees the list; the next query builds it again.
void FreeDisplayModeList();
int CountDisplayModes();
// Writes -1 to all four fields for an index outside the list; returns out.
DisplayModeInfo* FetchDisplayMode(DisplayModeInfo* out, int index);
// Compares width, height and colour bits, not the rate.
int IsDisplayModeAvailable(int width, int height, int colorBits);
// 1 when some display mode has this width and height.
int HasDisplayModeOfSize(int width, int height);
// Full-screen display change; 0 or -1.
int ApplyDisplayMode();
// Puts the desktop's own display mode back after full screen.
void RestoreDesktopDisplayMode();

#endif
