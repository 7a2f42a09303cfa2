// A slow, plainly written model of the software triangle: the covered pixels
// in closed form (each edge's position computed for its row, not stepped),
// and the pixel formulas as their tables state them, with add and subtract
// channel by channel. Kept apart from the library's loops so that the two
// can be compared.
#ifndef OMBREL_TESTS_SUPPORT_TRIANGLE_ORACLE_H
#define OMBREL_TESTS_SUPPORT_TRIANGLE_ORACLE_H

#include <stdint.h>

#include <vector>

#include "software_renderer/soft_image.h"
#include "software_renderer/triangle_draw.h"
#include "support/blit_oracle.h"

// A pixel the edge walk reaches, with its texture coordinates in 14.18.
struct TriangleOraclePixel {
  int x, y;
  int32_t u, v;
};

// The pixels of the triangle inside area, row by row, left to right.
std::vector<TriangleOraclePixel> OracleTriangleCoverage(const TriangleVertex vertices[3],
                                                        const IntRect& area, bool textured);

// Draws the triangle into dest the way DrawTriangleOnSoftImg must; the MMX
// flag plays no part.
void OracleDrawTriangle(SOFTIMG* dest, const SOFTIMG* src, const TriangleVertex vertices[3],
                        int transFlag, const SOFTIMG* blendGraph, uint32_t color,
                        const OracleSettings& settings);

#endif
