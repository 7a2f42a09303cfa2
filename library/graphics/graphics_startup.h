// Start and end of the graphics system, and its restore after the display
// or the device was lost.
#ifndef OMBREL_GRAPHICS_GRAPHICS_STARTUP_H
#define OMBREL_GRAPHICS_GRAPHICS_STARTUP_H

#include "Ombrel.h"

// 0, or -1 when no renderer can start.
int SetupGraphicsSystem();
int ShutdownGraphicsSystem();
// modeChange 1 records the new mode; 0 restarts the input devices.
int RestoreGraphicsSystem(int modeChange, int width, int height, int colorBits, int refreshRate);
int RecoverGraphics();

int CheckGraphRestoreHandler();
int RestoreGraphContents();

#endif
