// The untextured primitives of the hardware path: filled boxes, box
// outlines and lines written into the vertex batch, and the grid draw of
// pre-transformed vertices.
#ifndef OMBREL_DIRECT3D9_PRIMITIVE_DRAW_H
#define OMBREL_DIRECT3D9_PRIMITIVE_DRAW_H

#include <stdint.h>

#include "Ombrel.h"

// Each returns 0, or -1 without a device.
int PaintFilledBoxByDevice(int x1, int y1, int x2, int y2, ColorCode color);
int PaintBoxOutlineByDevice(int x1, int y1, int x2, int y2, ColorCode color);
int PaintLineByDevice(int x1, int y1, int x2, int y2, ColorCode color);
// Draws cols x rows row-major 28-byte vertices as triangle strips joined by
// degenerate triangles; -1 for fewer than two columns or rows (or more than
// 499 columns).
int DrawIndexedGridByDevice(int cols, const void* vertices, int rows);
// Keeps a copy of the back buffer as render target; 0 or -1.
int SwitchToSubBackBuffer();

// The vertex colour of a box or line: the colour's channels scaled by the
// device colour's, with the device colour's alpha.
uint32_t ComputePrimitiveColor(ColorCode color, uint32_t deviceColor);

#endif
