// Fixed-point set-up and edge walk of the software triangle: which rows and
// pixels a triangle covers, and the affine map from pixels to texels.
#ifndef OMBREL_SOFTWARE_RENDERER_TRIANGLE_SETUP_H
#define OMBREL_SOFTWARE_RENDERER_TRIANGLE_SETUP_H

#include <stdint.h>

#include "Ombrel.h"
#include "software_renderer/blend_rules.h"
#include "software_renderer/triangle_draw.h"

// Signed 14.18 fixed point; positions sit at pixel centres. Sums wrap.
using Fixed18 = int32_t;

constexpr int kFixed18Shift = 18;
constexpr int32_t kTriangleCoordMin = -8192;
constexpr int32_t kTriangleCoordMax = 8191;

constexpr Fixed18 Fixed18FromPosition(int32_t pixel) {
  return static_cast<Fixed18>((static_cast<uint32_t>(pixel) << kFixed18Shift) + (1u << 17));
}
constexpr Fixed18 Fixed18FromTexel(int32_t texel) {
  return static_cast<Fixed18>(static_cast<uint32_t>(texel) << kFixed18Shift);
}
// The pixel a position lies in: the floor, so -0.5 is pixel -1.
constexpr int32_t Fixed18ToPixel(Fixed18 f) { return f >> kFixed18Shift; }
constexpr Fixed18 Fixed18Add(Fixed18 a, Fixed18 b) {
  return static_cast<Fixed18>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// One side of the triangle: its current segment and at most one more.
struct TriangleSide {
  Fixed18 x;
  Fixed18 slope;  // per row
  int32_t rows;   // rows left in the current segment
  bool last;      // no second segment follows
  Fixed18 nextX;
  Fixed18 nextSlope;
  int32_t nextRows;
  int32_t nextRow;
};

struct TriangleSetup {
  int32_t firstRow;
  TriangleSide left;
  TriangleSide right;
  // The texture map: texel of pixel (x, y) = ref + (x - refX) d/dx + (y - refY) d/dy.
  int32_t refX;
  int32_t refY;
  Fixed18 refU;
  Fixed18 refV;
  Fixed18 dudx;
  Fixed18 dudy;
  Fixed18 dvdx;
  Fixed18 dvdy;
};

// Sorts the corners and prepares the edges and, when textured, the texture
// gradients. False when the triangle covers nothing: zero area, or a
// coordinate outside the range that 14.18 fixed point holds.
bool SetUpTriangle(const TriangleVertex vertices[3], bool textured, TriangleSetup* setup);

// Walks the rows from the top vertex's row down to the bottom vertex's row
// (excluded) and calls span(y, x, count) for the part of each row inside
// area: the pixels from the left edge's pixel to the right edge's, both
// included. Every row is stepped, also those outside the area, so each edge
// lands where its slope takes it.
template <class Span>
OMBREL_ALWAYS_INLINE void WalkTriangleRows(const TriangleSetup& setup, const IntRect& area,
                                           Span span) {
  TriangleSide left = setup.left;
  TriangleSide right = setup.right;
  int32_t y = setup.firstRow;
  for (;;) {
    if (y >= area.bottom) return;  // rows only go down
    if (y >= area.top) {
      int32_t x = Fixed18ToPixel(left.x);
      int32_t count = Fixed18ToPixel(right.x) - x + 1;
      if (x < area.left) {
        count -= area.left - x;
        x = area.left;
      }
      if (x < area.right && count > 0) {
        if (count > area.right - x) count = area.right - x;
        span(y, x, count);
      }
    }
    left.x = Fixed18Add(left.x, left.slope);
    right.x = Fixed18Add(right.x, right.slope);
    ++y;
    if (--left.rows == 0) {
      if (left.last) return;
      y = left.nextRow;  // the row just reached: the middle vertex's
      left = TriangleSide{left.nextX, left.nextSlope, left.nextRows, true, 0, 0, 0, 0};
    }
    if (--right.rows == 0) {
      if (right.last) return;
      right = TriangleSide{right.nextX, right.nextSlope, right.nextRows, true, 0, 0, 0, 0};
    }
  }
}

#endif
