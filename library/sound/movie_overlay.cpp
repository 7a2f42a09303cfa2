#include "sound/movie_overlay.h"

#include <stdint.h>

namespace {

// Rectangles are worked in 64 bits: scale x width may pass the 32-bit range
// before the clipping brings it back inside the screen.
struct WideRect {
  int64_t left, top, right, bottom;
};

WideRect Widen(const IntRect& r) { return {r.left, r.top, r.right, r.bottom}; }

WideRect Offset(WideRect r, int64_t dx, int64_t dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

WideRect Intersect(const WideRect& a, const WideRect& b) {
  return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
          a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}

bool IsEmpty(const WideRect& r) { return r.right <= r.left || r.bottom <= r.top; }

IntRect Narrow(const WideRect& r) {
  return {static_cast<int32_t>(r.left), static_cast<int32_t>(r.top),
          static_cast<int32_t>(r.right), static_cast<int32_t>(r.bottom)};
}

int64_t RoundUpTo(int64_t value, int64_t step) {
  const int64_t rest = value % step;
  if (rest == 0) return value;
  return rest > 0 ? value + step - rest : value - rest;
}

// Moves the left edge up to the boundary and cuts the width down to a whole
// number of size steps; the right edge never moves outwards.
void Align(WideRect* r, int boundary, int size) {
  if (boundary > 0) r->left = RoundUpTo(r->left, boundary);
  if (size > 0 && r->right > r->left) r->right = r->left + (r->right - r->left) / size * size;
}

bool SamePlacement(const MovieOverlayPlacement& a, const MovieOverlayPlacement& b) {
  auto same = [](const IntRect& p, const IntRect& q) {
    return p.left == q.left && p.top == q.top && p.right == q.right && p.bottom == q.bottom;
  };
  return a.x == b.x && a.y == b.y && a.scale == b.scale && a.shown == b.shown &&
         same(a.source, b.source) && same(a.dest, b.dest);
}

}  // namespace

OverlayDecision PlaceMovieOverlay(int x, int y, int scale, int show, int width, int height,
                                  const OverlayWindowView& view,
                                  const MovieOverlayPlacement& stored) {
  OverlayDecision decision{};
  decision.placement.x = x;
  decision.placement.y = y;
  decision.placement.scale = scale;
  decision.placement.shown = show;
  auto hide = [&decision]() {
    decision.action = OverlayAction::kHide;
    decision.source = IntRect{};
    decision.dest = IntRect{};
    decision.placement.source = IntRect{};
    decision.placement.dest = IntRect{};
    return decision;
  };
  if (!show) return hide();

  WideRect source{0, 0, width, height};
  const WideRect whole{x, y, x + static_cast<int64_t>(scale) * width,
                       y + static_cast<int64_t>(scale) * height};
  WideRect clipped = whole;
  if (view.windowMode) {
    // Covered, or partly covered in a shape a rectangle cannot follow.
    if (view.clipKind != ClipBoxKind::kSimple) return hide();
    clipped = Intersect(clipped, Widen(view.clipBox));
  }
  const int64_t originX = view.clientScreen.left;
  const int64_t originY = view.clientScreen.top;
  const WideRect dest = Offset(whole, originX, originY);
  clipped = Intersect(Offset(clipped, originX, originY), Widen(view.clientScreen));
  // An empty destination also covers a scale or a size of 0 or less, so the
  // divisions below always have a positive scale.
  if (IsEmpty(clipped)) return hide();

  source.left += (clipped.left - dest.left) / scale;
  source.top += (clipped.top - dest.top) / scale;
  source.right -= (dest.right - clipped.right) / scale;
  source.bottom -= (dest.bottom - clipped.bottom) / scale;
  Align(&source, view.alignment.sourceBoundary, view.alignment.sourceSize);
  Align(&clipped, view.alignment.destBoundary, view.alignment.destSize);
  if (source.right <= source.left || clipped.right <= clipped.left) return hide();

  decision.source = Narrow(source);
  decision.dest = Narrow(clipped);
  decision.placement.source = decision.source;
  decision.placement.dest = decision.dest;
  decision.action =
      SamePlacement(decision.placement, stored) ? OverlayAction::kUnchanged : OverlayAction::kShow;
  return decision;
}

int ApplyMovieOverlay(MovieRecord* movie, int x, int y, int scale, int show,
                      const OverlayWindowView& view, MovieOverlayOps* ops) {
  const OverlayDecision decision = PlaceMovieOverlay(x, y, scale, show, movie->width,
                                                     movie->height, view, movie->overlayPlacement);
  long result = 0;
  if (decision.action == OverlayAction::kHide) {
    result = ops->UpdateOverlay(movie->overlaySurface, nullptr, nullptr, 0);
  } else if (decision.action == OverlayAction::kShow) {
    result = ops->UpdateOverlay(movie->overlaySurface, &decision.source, &decision.dest, 1);
  }
  if (result < 0) return -1;
  movie->overlayPlacement = decision.placement;
  return 0;
}
