#include "Ombrel.h"

namespace {

// Moves one edge into [low, high]; the upper bound is tested first, so with
// reversed bounds the lower one wins.
void ClampEdge(int32_t* edge, int32_t low, int32_t high) {
  if (*edge > high) {
    *edge = high;
  } else if (*edge < low) {
    *edge = low;
  }
}

}  // namespace

int ClipRectToBounds(IntRect* rect, const IntRect* bounds) {
  if (rect->right < rect->left) rect->right = rect->left;
  if (rect->bottom < rect->top) rect->bottom = rect->top;
  ClampEdge(&rect->bottom, bounds->top, bounds->bottom);
  ClampEdge(&rect->top, bounds->top, bounds->bottom);
  ClampEdge(&rect->right, bounds->left, bounds->right);
  ClampEdge(&rect->left, bounds->left, bounds->right);
  return 0;
}
