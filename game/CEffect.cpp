#include "CEffect.h"

#include <math.h>

namespace {

constexpr int kBackScreen = -2;

// The fade box and the mosaic reach one pixel past the screen on each side.
void FillScreenBox(ColorCode colour) { PaintBox(0, 0, 321, 241, colour, 1); }

}  // namespace

CEffect::CEffect() = default;

CEffect::~CEffect() {
  if (screen != -1) RemoveGraph(screen, 0);
}

void CEffect::Start(int effectType, int frames) {
  type = effectType;
  counter = total = frames > 0 ? static_cast<uint32_t>(frames) : 0;
  // A shake's offset must not outlive it into the next effect.
  offset = 0;
}

void CEffect::StartFadeIn(int red, int green, int blue, int frames) {
  Start(EFFECT_FADEIN, frames);
  colour = ComposeColorCode(red, green, blue);
}

void CEffect::StartFadeOut(int red, int green, int blue, int frames) {
  Start(EFFECT_FADEOUT, frames);
  colour = ComposeColorCode(red, green, blue);
}

void CEffect::StartShake(int mode, int frames, double shakePeriod, int shakeAmplitude) {
  Start(mode != 0 ? EFFECT_SHAKE_H : EFFECT_SHAKE_V, frames);
  period = shakePeriod == 0.0 ? 0.1 : shakePeriod;
  amplitude = shakeAmplitude;
}

void CEffect::StartMosaic() { Start(EFFECT_MOSAIC, kMosaicFrames); }

void CEffect::CountDown() {
  if (counter == 0) return;
  --counter;
  // Screens that do not draw the field's effect (camp, shop, battle) must
  // not keep the last shake offset.
  if (counter == 0) offset = 0;
}

void CEffect::Draw() {
  if (counter == 0) {
    offset = 0;
    return;
  }
  switch (type) {
    case EFFECT_FADEIN:
    case EFFECT_FADEOUT: {
      const int d = static_cast<int>(counter * 255.0 / total);
      SetBlendModeAndParam(1, type == EFFECT_FADEIN ? d : 255 - d);
      FillScreenBox(colour);
      SetBlendModeAndParam(0, 255);
      break;
    }
    case EFFECT_SHAKE_V:
    case EFFECT_SHAKE_H:
      offset = static_cast<int32_t>(sin(counter / period) * amplitude);
      break;
    default:
      break;
  }
}

void CEffect::BeginMosaicFrame() {
  if (!IsMosaicRunning()) return;
  SelectDrawTarget(screen);
  ClearDrawTarget(nullptr);
}

void CEffect::DrawMosaic() {
  if (!IsMosaicRunning()) return;
  const int c = static_cast<int>(counter);
  const int t = static_cast<int>(total);
  if (c <= 4) {
    SelectDrawTarget(kBackScreen);
    FillScreenBox(ComposeColorCode(0, 0, 0));
    return;
  }
  // The blocks coarsen while the counter falls to 15, then fine down again.
  int block = c >= 15 ? t - c + 1 : c - t + 40;
  if (block < 1) block = 1;  // only a total other than 34 gets here
  const int width = kEffectScreenWidth / (block + 2);
  const int height = kEffectScreenHeight / (block + 2);
  const int reduced = CreateEmptyGraph(width, height, 0);
  SelectDrawTarget(reduced);
  SetDrawFilterMode(0);
  PutGraphStretched(0, 0, width, height, screen, 0);
  SelectDrawTarget(kBackScreen);
  PutGraphStretched(0, 0, 321, 241, reduced, 0);
  RemoveGraph(reduced, 0);
}
