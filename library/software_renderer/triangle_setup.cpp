#include "software_renderer/triangle_setup.h"

#include <utility>

#include "system/number_helpers.h"

namespace {

bool InCoordRange(int32_t value) {
  return value >= kTriangleCoordMin && value <= kTriangleCoordMax;
}

// A segment from (fromX, fromRow) to (toX, toRow). Differences are taken
// exactly: corners up to 16383 pixels apart differ by more than 32-bit fixed
// point holds, but the edge's positions all lie between its ends, so the
// truncated slope may wrap and still step to the right places.
bool MakeSegment(Fixed18 fromX, int32_t fromRow, Fixed18 toX, int32_t toRow, Fixed18* slope,
                 int32_t* rows) {
  *rows = toRow - fromRow;
  if (*rows <= 0) return false;
  *slope = static_cast<Fixed18>((int64_t{toX} - fromX) / *rows);
  return true;
}

bool OneSegment(TriangleSide* side, Fixed18 fromX, int32_t fromRow, Fixed18 toX, int32_t toRow) {
  side->x = fromX;
  side->last = true;
  return MakeSegment(fromX, fromRow, toX, toRow, &side->slope, &side->rows);
}

bool TwoSegments(TriangleSide* side, Fixed18 fromX, int32_t fromRow, Fixed18 midX, int32_t midRow,
                 Fixed18 nextX, Fixed18 toX, int32_t toRow) {
  side->x = fromX;
  side->last = false;
  side->nextX = nextX;
  side->nextRow = midRow;
  return MakeSegment(fromX, fromRow, midX, midRow, &side->slope, &side->rows) &&
         MakeSegment(nextX, midRow, toX, toRow, &side->nextSlope, &side->nextRows);
}

// (a * d - b * c) * 2^18 / det, truncated toward zero.
Fixed18 Gradient(int32_t a, int32_t d, int32_t b, int32_t c, int32_t det) {
  const int64_t numerator = int64_t{a} * d - int64_t{b} * c;
  return TruncDoubleToInt(static_cast<double>(numerator) * 262144.0 / det);
}

}  // namespace

bool SetUpTriangle(const TriangleVertex vertices[3], bool textured, TriangleSetup* setup) {
  const TriangleVertex* v = vertices;
  Fixed18 X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    if (!InCoordRange(v[i].x) || !InCoordRange(v[i].y)) return false;
    if (textured && (!InCoordRange(v[i].u) || !InCoordRange(v[i].v))) return false;
    X[i] = Fixed18FromPosition(v[i].x);
    Y[i] = Fixed18FromPosition(v[i].y);
  }

  // A: corners by x, A[0] the reference of the texture map; B: by y. Equal
  // keys keep their order, so with two leftmost corners the input order picks.
  int A[3] = {0, 1, 2};
  int B[3] = {0, 1, 2};
  for (int i = 0; i < 2; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (X[A[i]] > X[A[j]]) std::swap(A[i], A[j]);
      if (Y[B[i]] > Y[B[j]]) std::swap(B[i], B[j]);
    }
  }

  const int32_t dx1 = v[A[1]].x - v[A[0]].x, dy1 = v[A[1]].y - v[A[0]].y;
  const int32_t dx2 = v[A[2]].x - v[A[0]].x, dy2 = v[A[2]].y - v[A[0]].y;
  const int32_t det = dx2 * dy1 - dx1 * dy2;
  if (det == 0) return false;

  setup->refX = v[A[0]].x;
  setup->refY = v[A[0]].y;
  if (textured) {
    const int32_t du1 = v[A[1]].u - v[A[0]].u, du2 = v[A[2]].u - v[A[0]].u;
    const int32_t dv1 = v[A[1]].v - v[A[0]].v, dv2 = v[A[2]].v - v[A[0]].v;
    setup->refU = Fixed18FromTexel(v[A[0]].u);
    setup->refV = Fixed18FromTexel(v[A[0]].v);
    setup->dudx = Gradient(du2, dy1, du1, dy2, det);
    setup->dudy = Gradient(du1, dx2, du2, dx1, det);
    setup->dvdx = Gradient(dv2, dy1, dv1, dy2, det);
    setup->dvdy = Gradient(dv1, dx2, dv2, dx1, det);
  } else {
    setup->refU = setup->refV = 0;
    setup->dudx = setup->dudy = setup->dvdx = setup->dvdy = 0;
  }

  const int top = B[0], middle = B[1], bottom = B[2];
  const int32_t topRow = v[top].y, middleRow = v[middle].y, bottomRow = v[bottom].y;
  TriangleSide* left = &setup->left;
  TriangleSide* right = &setup->right;
  if (topRow == middleRow) {
    const bool topIsRight = X[top] > X[middle];
    const int l = topIsRight ? middle : top;
    const int r = topIsRight ? top : middle;
    setup->firstRow = v[l].y;
    return OneSegment(left, X[l], v[l].y, X[bottom], bottomRow) &&
           OneSegment(right, X[r], v[r].y, X[bottom], bottomRow);
  }
  setup->firstRow = topRow;
  if (middleRow == bottomRow) {
    const bool middleIsLeft = X[middle] <= X[bottom];
    const int l = middleIsLeft ? middle : bottom;
    const int r = middleIsLeft ? bottom : middle;
    return OneSegment(left, X[top], topRow, X[l], v[l].y) &&
           OneSegment(right, X[top], topRow, X[r], v[r].y);
  }
  // The middle corner lies left of the long edge when the upper edge's
  // inverse slope is the smaller; both heights are positive, so the exact
  // cross products compare them.
  const int64_t upperRun = int64_t{v[middle].x} - v[top].x;
  const int64_t longRun = int64_t{v[bottom].x} - v[top].x;
  const bool middleOnLeft = upperRun * (bottomRow - topRow) < longRun * (middleRow - topRow);
  if (middleOnLeft) {
    return TwoSegments(left, X[top], topRow, X[middle], middleRow, X[middle], X[bottom],
                       bottomRow) &&
           OneSegment(right, X[top], topRow, X[bottom], bottomRow);
  }
  // The right side's lower segment starts one unit right of the middle corner.
  return TwoSegments(right, X[top], topRow, X[middle], middleRow, X[middle] + 1, X[bottom],
                     bottomRow) &&
         OneSegment(left, X[top], topRow, X[bottom], bottomRow);
}
