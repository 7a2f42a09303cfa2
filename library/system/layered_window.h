// Presentation into a layered main window: the screen becomes a 32-bit
// bitmap with per-pixel alpha (or a colour key) handed to UpdateLayeredWindow.
#ifndef OMBREL_SYSTEM_LAYERED_WINDOW_H
#define OMBREL_SYSTEM_LAYERED_WINDOW_H

#include "Ombrel.h"

struct HDC__;

// premadeDc, when given, is shown as it is with the transparent colour as
// key. The bitmap is kept while the size stays the same.
void RefreshLayeredWindow(const GraphImage* image, HDC__* premadeDc, int useAlpha);

#endif
