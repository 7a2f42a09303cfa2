// Presentation of the software screen in the main window and the
// vertical-blank pacing with its DirectDraw object.
#ifndef OMBREL_GRAPHICS_PRESENTATION_H
#define OMBREL_GRAPHICS_PRESENTATION_H

#include "Ombrel.h"

struct IDirectDraw7;

// 0, or -1 when the library is not started, the end was requested or the
// region maps to nothing.
int PresentScreenRegion(const IntRect* region);
int PresentScreen();

// Maps a window region to the screen pixels it shows, given the rectangle
// the last present covered in the window: source = (x - left) * screen width
// / (right - left), and so on for y. -1 when the present rectangle is empty
// or the mapped rectangle has no width or height.
int MapPresentRegion(const IntRect& region, const IntRect& presented, int screenWidth,
                     int screenHeight, IntRect* source);

// The DirectDraw object serves only the vertical-blank waits.
int CreateDirectDrawObject();
void ReleaseDirectDrawObject();
IDirectDraw7* GetDirectDrawObject();
int MeasureVSyncInterval();
void WaitVSyncByTimer();

#endif
