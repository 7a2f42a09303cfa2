// The image that drawing goes to: -2 the back screen, -4 the front screen,
// or a drawable graph.
#ifndef OMBREL_GRAPHICS_DRAW_TARGET_H
#define OMBREL_GRAPHICS_DRAW_TARGET_H

constexpr int kDrawTargetBackScreen = -2;
constexpr int kDrawTargetFrontScreen = -4;

// 0, or -1 for a target that is not a screen or a drawable graph.
int SelectDrawTarget(int target);
int GetDrawTarget();

#endif
