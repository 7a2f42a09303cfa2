// The game's one screen effect: a fade to or from a colour, a vertical or
// horizontal shake of the field, or the mosaic transition into a battle. It
// is a frame counter that the game counts down once per update; starting an
// effect overwrites the running one.
#ifndef MOONLITCAIRN_CEFFECT_H
#define MOONLITCAIRN_CEFFECT_H

#include <stdint.h>

#include "Ombrel.h"

enum EffectType : int32_t {
  EFFECT_NONE = 0,
  EFFECT_FADEIN = 1,
  EFFECT_FADEOUT = 2,
  EFFECT_SHAKE_V = 3,
  EFFECT_SHAKE_H = 4,
  EFFECT_MOSAIC = 5,
};

// The battle transition's length; the mosaic's block sizes are made for it.
constexpr uint32_t kMosaicFrames = 34;
constexpr int kEffectScreenWidth = 320;
constexpr int kEffectScreenHeight = 240;

class CEffect {
 public:
  CEffect();
  // Removes the effect screen.
  virtual ~CEffect();

  // Frame counts of 0 or less run no effect at all, so a wait on it ends
  // at the next update instead of never.
  void StartFadeIn(int red, int green, int blue, int frames);
  void StartFadeOut(int red, int green, int blue, int frames);
  // mode non-zero shakes sideways; a period of 0 counts as 0.1.
  void StartShake(int mode, int frames, double period, int amplitude);
  void StartMosaic();

  // One update: the counter goes down by one while an effect runs.
  void CountDown();
  bool IsRunning() const { return counter > 0; }
  bool IsMosaicRunning() const { return counter > 0 && type == EFFECT_MOSAIC; }

  // At the end of the field's drawing: the fade box, or the shake offset
  // that the next frame's pictures are drawn with.
  void Draw();
  // Before the game's drawing: while the mosaic runs the frame is drawn into
  // the effect screen.
  void BeginMosaicFrame();
  // After the game's drawing: the effect screen shrunk and blown up again
  // onto the back screen, which becomes the draw target again.
  void DrawMosaic();

  // The shake offset the drawing functions add to x and to y.
  int ShakeX() const { return type == EFFECT_SHAKE_H ? offset : 0; }
  int ShakeY() const { return type == EFFECT_SHAKE_V ? offset : 0; }

  int32_t type = EFFECT_NONE;
  ColorCode colour = 0;
  uint32_t counter = 0;  // frames left; 0 = no effect running
  uint32_t total = 0;
  int32_t offset = 0;
  double period = 0.0;
  int32_t amplitude = 0;
  int32_t screen = -1;  // the 320 x 240 graph the mosaic's frames go into

 private:
  void Start(int effectType, int frames);
};

#endif
