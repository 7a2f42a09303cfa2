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
struct GraphRecord;
// Draws the caller's 28-byte pre-transformed vertices (x y z rhw diffuse u
// v) at once, with the graph's first texture or none. Vertex form 1 fills
// the texture coordinates of each six-vertex rectangle from the graph's
// first piece, mirrored when asked. 0, or -1 without a device.
int PutVertexListByDevice(int flag3D, GraphRecord* record, void* vertices, int count,
                          int primitiveType, int extraFlags, int vertexForm, int mirror);
// Keeps a copy of the back buffer as render target; 0 or -1.
int SwitchToSubBackBuffer();

// The vertex colour of a box or line: the colour's channels scaled by the
// device colour's, with the device colour's alpha.
uint32_t ComputePrimitiveColor(ColorCode color, uint32_t deviceColor);

#endif
