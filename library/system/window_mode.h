// Window mode and full screen, the window's style, scale and placement, the
// cursor and the settings getters (the public ones are in Ombrel.h).
#ifndef OMBREL_SYSTEM_WINDOW_MODE_H
#define OMBREL_SYSTEM_WINDOW_MODE_H

#include <windows.h>

#include "Ombrel.h"

// How long ChangeWindowMode waits for the display to report its change.
constexpr int kDisplayChangeWaitMilliseconds = 3000;

int StoreWindowModeFlag(int flag);
// Restyles and places the main window for the current mode; nothing
// without a window.
int ApplyWindowStyle();
// Sizes the window's client to the screen times the scale, keeping its
// top-left corner.
int AdjustWindowPlacement();
int EnableDwmComposition(int flag);
// Every frame on the main thread; nothing in window mode.
int AutoShowMenuBar();
// The window's client rectangle in screen coordinates.
RECT ReadClientScreenRect(HWND window);
// The client size the screen mode and the window scale ask for.
void GetScaledClientSize(int* width, int* height);

#endif
