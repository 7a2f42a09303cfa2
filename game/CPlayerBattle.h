// A party member's battle sprite: 18 frames of 24 x 24 pixels cut from one
// picture, the pose animations, the standing frame chosen from the member's
// state, the member's time-gauge step and its damage number.
#ifndef MOONLITCAIRN_CPLAYERBATTLE_H
#define MOONLITCAIRN_CPLAYERBATTLE_H

#include <stdint.h>

#include "CDrawable.h"
#include "CMemberSprite.h"
#include "CNumberAnimation.h"

class CPlayerChar;

constexpr int kBattleSpriteFrames = 18;
constexpr int kBattleSpriteSize = 24;

class CPlayerBattle : public CDrawable, public CMemberSprite {
 public:
  CPlayerBattle();
  ~CPlayerBattle() override;
  CPlayerBattle(const CPlayerBattle&) = delete;
  CPlayerBattle& operator=(const CPlayerBattle&) = delete;

  CPlayerChar* owner = nullptr;  // its HP and defend flag steer the standing frame
  int32_t characterNumber = 0;
  int32_t pictureNumber = 0;
  int32_t frameIndex = 1;
  int32_t frames[kBattleSpriteFrames];
  uint32_t frameCounter = 0;
  PlayerPose pose = POSE_IDLE;
  int32_t poseFrames = 0;  // 0 = none; a negative count runs without end
  int32_t queuedAttack = 0;
  int32_t escapeAttempt = 0;
  CNumberAnimation number;

  // Cuts "char_battleNN.png" of the picture number; 1, or 0 with the error
  // box when the picture did not load.
  int Load(int characterNo, int pictureNo, CPlayerChar* member);
  void Update() override;
  void Draw() override;
  void Release() override;
  // One frame with transparency at a place of the caller's, for the windows
  // that show the member outside the battle.
  void DrawFrameAt(int drawX, int drawY, int frame) const;

  // The member's gauge after this frame, at the speed in the settings file
  // ([Battle] PlayerATBSpeed, default 0), read on every call.
  int AddAtb(int gauge) const;
  int AddAtbWithSpeed(int gauge, int atbSpeed) const;

  bool IsInBattle() const override;
  // Starts the number centred over the sprite.
  void ShowNumber(int value, ColorCode colour) override;
  void StartPose(PlayerPose newPose, int count, int newOffsetX, int newOffsetY) override;
  void ShowFrame(int frame) override { frameIndex = frame; }
  void SetPosition(int newX, int newY) override {
    x = newX;
    y = newY;
  }
  void SetEscapeAttempt(int flag) override { escapeAttempt = flag; }

 private:
  void ShowPoseFrame(int count);
  void Stand(bool noPoseWasRunning, PlayerPose endedPose);
};

// The walking cycles: toward the enemies 1, 2, 1, 0 and away 16, 17, 16, 15,
// each step shown for two frames of the count.
int WalkTowardFrame(int count);
int WalkAwayFrame(int count);

#endif
