// Filled rectangles: one colour combined with every pixel of a rectangle
// under the current blend mode, parameter and bright.
#ifndef OMBREL_SOFTWARE_RENDERER_FILL_RECT_H
#define OMBREL_SOFTWARE_RENDERER_FILL_RECT_H

#include <stdint.h>

#include "software_renderer/soft_image.h"

// rect (right and bottom exclusive, corners in any order) or null for the
// whole target; color in the target's layout (X8R8G8B8, or R5G6B5 in the low
// word). Targets with a palette or alpha are left untouched.
void FillRectOnSoftImg(SOFTIMG* target, const IntRect* rect, uint32_t color);

#endif
