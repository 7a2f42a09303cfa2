#include "graphics/draw_target.h"

namespace {
// Graphics start-up leaves the front screen as the target.
int currentTarget = kDrawTargetFrontScreen;
}  // namespace

int SelectDrawTarget(int target) {
  // Drawable graphs come with the graph handles; until then only the two
  // screens can be chosen.
  if (target != kDrawTargetBackScreen && target != kDrawTargetFrontScreen) return -1;
  currentTarget = target;
  return 0;
}

int GetDrawTarget() { return currentTarget; }
