// What a party member shows of itself in a battle: its sprite's poses, its
// damage numbers and its place. The battle's sprite code implements it; a
// member without one shows nothing.
#ifndef MOONLITCAIRN_CMEMBERSPRITE_H
#define MOONLITCAIRN_CMEMBERSPRITE_H

#include <stdint.h>

#include "Ombrel.h"

enum PlayerPose : int32_t {
  POSE_IDLE = 0,
  POSE_SLIDE_IN = 1,
  POSE_ATTACK = 2,
  POSE_RETURN = 3,
  POSE_HIT = 4,
  POSE_VICTORY = 5,
  POSE_RUN_AWAY = 6,
};

// The frame of a fallen member.
constexpr int kFallenFrame = 13;

class CMemberSprite {
 public:
  virtual ~CMemberSprite() = default;
  // True while the battle is the game's current mode.
  virtual bool IsInBattle() const = 0;
  virtual void ShowNumber(int value, ColorCode colour) = 0;
  virtual void StartPose(PlayerPose pose, int frames, int offsetX, int offsetY) = 0;
  virtual void ShowFrame(int frame) = 0;
  virtual void SetPosition(int x, int y) = 0;
  virtual void SetEscapeAttempt(int flag) = 0;
};

#endif
