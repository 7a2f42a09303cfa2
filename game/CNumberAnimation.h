// The damage or healing number of a combatant: up to eight digits that hop
// once above it together and vanish after 50 frames.
#ifndef MOONLITCAIRN_CNUMBERANIMATION_H
#define MOONLITCAIRN_CNUMBERANIMATION_H

#include <stdint.h>

#include "CDrawable.h"
#include "CNumberDisplay.h"

constexpr int kNumberMaxDigits = 8;
constexpr int kNumberFrames = 50;

class CNumberAnimation : public CDrawable, public CNumberDisplay {
 public:
  CNumberAnimation();
  ~CNumberAnimation() override;

  int32_t baseX = 0;
  int32_t baseY = 0;
  ColorCode colour = 0;
  int32_t digitCount = 0;
  int32_t digits[kNumberMaxDigits] = {};
  int32_t digitX[kNumberMaxDigits] = {};
  int32_t digitY[kNumberMaxDigits] = {};
  int32_t framesLeft = 0;

  void Start(int x, int y, int value, ColorCode numberColour) override;
  // Hides the number once no frames are left; otherwise places the digits
  // on the hop and counts one frame.
  void Update() override;
  void Draw() override;
  void Release() override;
  bool IsVisible() const override { return visible != 0; }
};

// How far above its base the number stands with frames left: a half sine of
// 20 pixels over the first 30 frames, then at rest.
int NumberHopHeight(int framesLeft);

#endif
