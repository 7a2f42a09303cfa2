// The software triangle: one triangle filled with a colour or with the texels
// of a source image mapped through affine texture coordinates, under the
// current drawing settings.
#ifndef OMBREL_SOFTWARE_RENDERER_TRIANGLE_DRAW_H
#define OMBREL_SOFTWARE_RENDERER_TRIANGLE_DRAW_H

#include <stdint.h>

#include "software_renderer/soft_image.h"

// One corner: x, y a destination pixel, u, v a source texel. Positions, and
// for textured triangles the texels, lie in -8192..8191, the range of the
// 14.18 fixed point the edges are walked in; a triangle with a coordinate
// outside it draws nothing.
struct TriangleVertex {
  int32_t x;
  int32_t y;
  int32_t u;
  int32_t v;
};

// src null: a solid triangle of color, a value in the destination's layout.
// Otherwise textured: transFlag nonzero skips the source's transparent colour
// (for sources with alpha: alpha-0 texels, and alpha 255 stops weighing), and
// a blend graph, read at each texel's position, weighs every pixel; a blend
// graph smaller than the source draws nothing. Vertices come in any order and
// winding; a triangle of zero area draws nothing.
void DrawTriangleOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, const TriangleVertex vertices[3],
                           int transFlag, const SOFTIMG* blendGraph, uint32_t color);

#endif
