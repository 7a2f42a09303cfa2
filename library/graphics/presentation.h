// Presentation of the software screen in the main window and the
// vertical-blank pacing with its DirectDraw object.
#ifndef OMBREL_GRAPHICS_PRESENTATION_H
#define OMBREL_GRAPHICS_PRESENTATION_H

#include "Ombrel.h"

struct IDirectDraw7;

// Presents the front screen every 32 ms for as long as it is the target.
void StartFrontScreenTimer();

// Maps a window region to the screen pixels it shows, given the rectangle
// the last present covered in the window: source = (x - left) * screen width
// / (right - left), and so on for y. -1 when the present rectangle is empty
// or the mapped rectangle has no width or height.
int MapPresentRegion(const IntRect& region, const IntRect& presented, int screenWidth,
                     int screenHeight, IntRect* source);

struct PresentInputs {
  int screenWidth;  // the screen mode's size
  int screenHeight;
  int windowMode;
  int emulationRequested;
  int emulationActive;
  double scaleX;
  double scaleY;
};

// Which screen pixels a whole present shows and where in the window: the
// 320 x 240 emulation shows the top-left 320 x 240 of a 640 x 480 mode at
// 640 x 480; window mode otherwise scales the screen, each side truncated.
void ComputePresentRects(const PresentInputs& in, IntRect* source, IntRect* dest,
                         int* emulation);

// The DirectDraw object serves only the vertical-blank waits.
int CreateDirectDrawObject();
void ReleaseDirectDrawObject();
IDirectDraw7* GetDirectDrawObject();
// The capability record (380 bytes), zero-filled: no overlay alignment is
// reported. Returns caps.
void* QueryDirectDrawCaps(void* caps);
int MeasureVSyncInterval();
void WaitVSyncByTimer();

#endif
