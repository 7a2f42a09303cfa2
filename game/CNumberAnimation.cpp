#include "CNumberAnimation.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr int kDigitAdvance = 8;
constexpr int kRestFrames = 20;
constexpr double kHopHeight = 20.0;
constexpr double kHopFrames = 30.0;
constexpr double kPi = 3.14159265;

}  // namespace

int NumberHopHeight(int framesLeft) {
  if (framesLeft <= kRestFrames) return 0;
  const double phase = (kNumberFrames - framesLeft) * kPi / kHopFrames;
  return static_cast<int>(fabs(sin(phase) * kHopHeight));
}

CNumberAnimation::CNumberAnimation() { visible = 1; }
CNumberAnimation::~CNumberAnimation() = default;

void CNumberAnimation::Start(int x, int y, int value, ColorCode numberColour) {
  baseX = x;
  baseY = y;
  colour = numberColour;
  char text[16];
  const int length = snprintf(text, sizeof text, "%d", value);
  digitCount = length > kNumberMaxDigits ? kNumberMaxDigits : (length < 0 ? 0 : length);
  for (int i = 0; i < digitCount; ++i) {
    digits[i] = text[i] - '0';
    digitX[i] = x + kDigitAdvance * i;
    digitY[i] = y;
  }
  visible = 1;
  framesLeft = kNumberFrames;
}

void CNumberAnimation::Update() {
  if (framesLeft == 0) {
    visible = 0;
    return;
  }
  const int y = baseY - NumberHopHeight(framesLeft);
  for (int i = 0; i < digitCount; ++i) digitY[i] = y;
  --framesLeft;
}

void CNumberAnimation::Draw() {
  if (visible == 0) return;
  for (int i = 0; i < digitCount; ++i) {
    char text[16];
    snprintf(text, sizeof text, "%d", digits[i]);
    DrawStringDefaultFont(digitX[i], digitY[i], text, colour, 0);
  }
}

void CNumberAnimation::Release() {}
