// Stand-in that keeps the graphics core linking until the triangle is
// built: it draws nothing.
#include "software_renderer/triangle_draw.h"

void DrawTriangleOnSoftImg(SOFTIMG*, const SOFTIMG*, const TriangleVertex[3], int, const SOFTIMG*,
                           uint32_t) {}
