// Lines one pixel wide in one colour, under the current blend mode,
// parameter and bright, by the pixel rules of the filled rectangle.
#ifndef OMBREL_SOFTWARE_RENDERER_DRAW_LINE_H
#define OMBREL_SOFTWARE_RENDERER_DRAW_LINE_H

#include <stdint.h>

#include "software_renderer/soft_image.h"

// One element of a line list.
struct LineRecord {
  int32_t x1, y1;      // first point, drawn
  int32_t x2, y2;      // last point, not drawn
  int32_t color;       // in the target's layout
  int32_t blendParam;  // not read: the line takes the parameter of the drawing settings
};

// A line's last point is not drawn, so joined lines do not blend their
// shared point twice. Targets with a palette or alpha are left untouched.
void DrawLineOnSoftImg(SOFTIMG* target, int x1, int y1, int x2, int y2, uint32_t color);
// Draws count records in order; a count of 0 or less draws nothing.
void DrawLinesOnSoftImg(SOFTIMG* target, const LineRecord* lines, int count);

#endif
