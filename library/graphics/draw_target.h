// The image that drawing goes to: -2 the back screen, -4 the front screen,
// or a drawable graph; and the software images behind them.
#ifndef OMBREL_GRAPHICS_DRAW_TARGET_H
#define OMBREL_GRAPHICS_DRAW_TARGET_H

#include "software_renderer/soft_image.h"

constexpr int kDrawTargetBackScreen = -2;
constexpr int kDrawTargetFrontScreen = -4;

// What the software primitives write into, and the blend graph's whole
// original image (null without a blend graph).
SOFTIMG* GetCurrentDrawSoftImg();
void SetCurrentDrawSoftImg(SOFTIMG* image);
const SOFTIMG* GetBlendGraphSoftImg();
void SetBlendGraphSoftImg(const SOFTIMG* image);

// Makes the back screen the draw target without the checks and waits of
// SelectDrawTarget: for a target graph that is being deleted.
void FallBackToScreenTarget();

#endif
