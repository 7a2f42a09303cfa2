#include "CEnemy.h"

#include <stdio.h>

#include <vector>

#include "BattleAction.h"
#include "CNumberAnimation.h"
#include "CPlayerParty.h"
#include "ErrorMessage.h"
#include "GameSettings.h"
#include "Ombrel.h"

int NumberDigitCount(int value) {
  char text[16];
  const int length = snprintf(text, sizeof text, "%d", value);
  return length > 8 ? 8 : length;
}

CEnemy::CEnemy() : m_number(std::make_unique<CNumberAnimation>()) { visible = 1; }

CEnemy::~CEnemy() = default;

int CEnemy::Load() {
  Release();
  char path[512];
  snprintf(path, sizeof path, "%s\\%s%03d.png", DataPath("enemy\\graphs").c_str(), "enemy_",
           values.id);
  const int graph = CreateGraphFromFile(path, 0);
  if (graph == -1) {
    ShowErrorMessage("画像読み込み失敗 [%s]", path);
    return 0;
  }
  picture = graph;
  int width = 0;
  int height = 0;
  QueryGraphSize(picture, &width, &height);
  pictureWidth = width;
  pictureHeight = height;
  queued = 0;
  frameCounter = 0;
  return 1;
}

void CEnemy::Draw() {
  if (!CheckVisible()) return;
  if (darkened) SetBrightRGB(128, 128, 128);
  PutGraph(x + offsetX, y + offsetY, picture, 1);
  if (darkened) SetBrightRGB(255, 255, 255);
  if (m_number) m_number->Draw();
}

void CEnemy::Release() {
  if (picture != -1) RemoveGraph(picture, 0);
  picture = -1;
}

void CEnemy::SetNumberDisplay(std::unique_ptr<CNumberDisplay> number) {
  m_number = std::move(number);
}

void CEnemy::Update() { UpdateWithSpeed(ReadDebugSetting("Battle", "EnemyATBSpeed", 0)); }

void CEnemy::UpdateWithSpeed(int atbSpeed) {
  ++frameCounter;
  values.atbGauge = StepAtbGauge(values.atbGauge, frameCounter, atbSpeed);
  if (m_number) m_number->Update();
  if (poseFrames == 0) return;
  const int remaining = --poseFrames;
  switch (pose) {
    case ENEMY_POSE_IDLE:
      offsetX = 0;
      offsetY = 0;
      break;
    case ENEMY_POSE_SLIDE_IN:
      offsetX += 2;
      break;
    case ENEMY_POSE_ATTACK:
      darkened = remaining % 6 == 0 || remaining % 6 == 1 ? 1 : 0;
      break;
  }
  if (remaining == 0) {
    pose = ENEMY_POSE_IDLE;
    offsetX = 0;
    offsetY = 0;
    darkened = 0;
  }
}

void CEnemy::StartPose(EnemyPose newPose, int frames, int newOffsetX, int newOffsetY) {
  pose = newPose;
  poseFrames = frames;
  offsetX = newOffsetX;
  offsetY = newOffsetY;
}

void CEnemy::Damage(int value) {
  if (values.hp <= 0 && value < 0) return;
  const int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
  const int shown = magnitude > INT32_MAX ? INT32_MAX : static_cast<int>(magnitude);
  if (m_number) {
    const int digits = NumberDigitCount(shown);
    m_number->Start(x + (pictureWidth - 8 * digits) / 2,
                    y + pictureHeight - 12, shown, DamageNumberColour(value));
  }
  int64_t hp = static_cast<int64_t>(values.hp) - value;
  if (hp < 0) hp = 0;
  if (hp > values.maxHp) hp = values.maxHp;
  values.hp = static_cast<int32_t>(hp);
  printf("[%s] 残りHP [%d]\n", values.name, values.hp);
}

bool CEnemy::CheckVisible() {
  const bool numberShown = m_number && m_number->IsVisible();
  if (values.hp <= 0 && !numberShown) visible = 0;
  return visible != 0;
}

namespace {

int PickOne(const std::vector<int>& candidates) {
  if (candidates.empty()) return -1;
  return candidates[static_cast<size_t>(RollRandomIndex(static_cast<int>(candidates.size())))];
}

}  // namespace

int CEnemy::SelectTarget(const CPlayerParty& party) const {
  std::vector<int> living;
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    const CPlayerChar* member = party.GetMember(slot);
    if (member != nullptr && member->hp > 0) living.push_back(slot);
  }
  return PickOne(living);
}

int GetRandomEnemy(const std::vector<std::unique_ptr<CEnemy>>& enemies) {
  std::vector<int> living;
  for (size_t i = 0; i < enemies.size(); ++i) {
    if (enemies[i]->values.hp > 0) living.push_back(static_cast<int>(i));
  }
  return PickOne(living);
}
