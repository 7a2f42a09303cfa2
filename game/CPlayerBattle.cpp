#include "CPlayerBattle.h"

#include <stdio.h>

#include "BattleAction.h"
#include "CGame.h"
#include "CPlayerChar.h"
#include "ErrorMessage.h"
#include "GameSettings.h"

namespace {

constexpr int kStandFrame = 1;
constexpr int kReadyFrame = 3;
constexpr int kWindUpFrame = 4;
constexpr int kStrikeFrame = 5;
constexpr int kVictoryFrame = 10;
constexpr int kHitFrame = 11;
constexpr int kWalkStep = 4;
constexpr int kAttackWalkEnd = 20;  // counts from here down hold the wind-up and strike
constexpr int kVictoryPeriod = 40;
constexpr int kEscapeRunPeriod = 6;

// The count's place in the cycle of n, also for the negative counts of an
// endless pose.
int FlooredModulo(int count, int n) { return ((count % n) + n) % n; }

}  // namespace

int WalkTowardFrame(int count) {
  static const int kFrames[4] = {1, 2, 1, 0};
  return kFrames[FlooredModulo(count / 2, 4)];
}

int WalkAwayFrame(int count) {
  static const int kFrames[4] = {16, 17, 16, 15};
  return kFrames[FlooredModulo(count / 2, 4)];
}

CPlayerBattle::CPlayerBattle() {
  visible = 1;
  for (int32_t& frame : frames) frame = -1;
}

CPlayerBattle::~CPlayerBattle() = default;

int CPlayerBattle::Load(int characterNo, int pictureNo, CPlayerChar* member) {
  characterNumber = characterNo;
  pictureNumber = pictureNo;
  owner = member;
  frameIndex = kStandFrame;
  Release();
  char path[512];
  snprintf(path, sizeof path, "%s\\%s%02d.png", DataPath("char").c_str(), "char_battle",
           pictureNo);
  int cut[kBattleSpriteFrames];
  if (CreateDivGraphFromFile(path, kBattleSpriteFrames, kBattleSpriteFrames, 1, kBattleSpriteSize,
                             kBattleSpriteSize, cut, 0) == -1) {
    ShowErrorMessage("画像読み込み失敗 [%s]", path);
    return 0;
  }
  for (int i = 0; i < kBattleSpriteFrames; ++i) frames[i] = cut[i];
  return 1;
}

void CPlayerBattle::DrawFrameAt(int drawX, int drawY, int frame) const {
  if (frame < 0 || frame >= kBattleSpriteFrames) return;
  PutGraphWithShake(drawX, drawY, frames[frame], 1);
}

void CPlayerBattle::Update() {
  number.Update();
  ++frameCounter;
  if (poseFrames == 0) {
    Stand(true, pose);
    return;
  }
  const int count = --poseFrames;
  ShowPoseFrame(count);
  if (count == 0) Stand(false, pose);
  // The victory pose counts down without end; keep the count clear of the
  // integer's bottom without moving its place in the 40-frame cycle.
  if (poseFrames < -kVictoryPeriod * 1000000) poseFrames += kVictoryPeriod * 1000000;
}

void CPlayerBattle::ShowPoseFrame(int count) {
  const bool even = count % 2 == 0;
  switch (pose) {
    case POSE_IDLE:
      offsetX = 0;
      offsetY = 0;
      break;
    case POSE_SLIDE_IN:
      frameIndex = WalkTowardFrame(count);
      if (even) offsetX -= kWalkStep;
      break;
    case POSE_ATTACK:
      if (count >= kAttackWalkEnd) {
        frameIndex = WalkTowardFrame(count);
        if (even) offsetX -= kWalkStep;
      } else {
        frameIndex = count >= 10 ? kWindUpFrame : kStrikeFrame;
      }
      break;
    case POSE_RETURN:
    case POSE_RUN_AWAY:
      frameIndex = WalkAwayFrame(count);
      if (even) offsetX += kWalkStep;
      break;
    case POSE_HIT:
      frameIndex = kHitFrame;
      offsetX = count > 12 ? 4 : (count >= 7 ? 0 : 2);
      break;
    case POSE_VICTORY:
      frameIndex = FlooredModulo(count, kVictoryPeriod) < kVictoryPeriod / 2 ? kVictoryFrame
                                                                             : kStandFrame;
      break;
  }
}

void CPlayerBattle::Stand(bool noPoseWasRunning, PlayerPose endedPose) {
  // After running away the members stay where the run ended.
  if (noPoseWasRunning || endedPose != POSE_RUN_AWAY) {
    offsetX = 0;
    offsetY = 0;
  }
  pose = POSE_IDLE;
  frameIndex = kStandFrame;
  const bool alive = owner == nullptr || owner->hp > 0;
  if (queuedAttack != 0 || (owner != nullptr && owner->defending != 0)) frameIndex = kReadyFrame;
  if (!alive) frameIndex = kFallenFrame;
  if (noPoseWasRunning && escapeAttempt != 0 && alive) {
    frameIndex = WalkAwayFrame(static_cast<int>(frameCounter / kEscapeRunPeriod % 4) * 2);
  }
}

void CPlayerBattle::Draw() {
  if (frameIndex >= 0 && frameIndex < kBattleSpriteFrames) {
    PutGraph(x + offsetX, y + offsetY, frames[frameIndex], 1);
  }
  number.Draw();
}

void CPlayerBattle::Release() {
  for (int32_t& frame : frames) {
    if (frame != -1) RemoveGraph(frame, 0);
    frame = -1;
  }
}

int CPlayerBattle::AddAtb(int gauge) const {
  return AddAtbWithSpeed(gauge, ReadDebugSetting("Battle", "PlayerATBSpeed", 0));
}

int CPlayerBattle::AddAtbWithSpeed(int gauge, int atbSpeed) const {
  return StepAtbGauge(gauge, frameCounter, atbSpeed);
}

bool CPlayerBattle::IsInBattle() const { return CGame::GetInstance()->GetMode() == MODE_BATTLE; }

void CPlayerBattle::ShowNumber(int value, ColorCode colour) {
  const int digits = NumberDigitCount(value);
  number.Start(x + (27 - 8 * digits) / 2, y + 15, value, colour);
}

void CPlayerBattle::StartPose(PlayerPose newPose, int count, int newOffsetX, int newOffsetY) {
  pose = newPose;
  poseFrames = count;
  offsetX = newOffsetX;
  offsetY = newOffsetY;
}
