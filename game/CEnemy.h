// One enemy of a battle: its picture at a fixed place on the left of the
// screen, its values from the enemy table, its time gauge, its slide-in and
// attack poses, its hit points and its damage number.
#ifndef MOONLITCAIRN_CENEMY_H
#define MOONLITCAIRN_CENEMY_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "CDrawable.h"
#include "CNumberDisplay.h"

class CPlayerParty;

enum EnemyPose : int32_t {
  ENEMY_POSE_IDLE = 0,
  ENEMY_POSE_SLIDE_IN = 1,
  ENEMY_POSE_ATTACK = 2,
};

constexpr int kEnemyNameSize = 33;  // 32 bytes of text and a NUL

// An enemy's row of the enemy table.
struct EnemyValues {
  int32_t id;  // also the picture number
  char name[kEnemyNameSize];
  int32_t column3;  // kept, not used by the battle
  int32_t hp;
  int32_t mp;
  int32_t atbGauge;  // 0 to 100
  int32_t exp;
  int32_t money;
  int32_t abp;         // no column fills it
  int32_t further[9];  // columns 20 to 28, kept
  int32_t maxHp;
  int32_t maxMp;
  int32_t attributes[6];
  int32_t battle[5];  // [0] attack, [1] defence, the rest kept

  int32_t Attack() const { return battle[0]; }
  int32_t Defence() const { return battle[1]; }
};

// The drawable's x and y are the picture's top-left corner, placed by the
// enemy party's arrangement; the offsets move it during the poses.
class CEnemy : public CDrawable {
 public:
  // Visible, with a damage number of its own (no digits yet).
  CEnemy();
  ~CEnemy() override;
  CEnemy(const CEnemy&) = delete;
  CEnemy& operator=(const CEnemy&) = delete;

  EnemyValues values{};
  int32_t picture = -1;
  int32_t pictureWidth = 0, pictureHeight = 0;
  EnemyPose pose = ENEMY_POSE_IDLE;
  int32_t poseFrames = 0;  // 0 = no animation running
  int32_t darkened = 0;    // set on the blinking frames of an attack
  uint32_t frameCounter = 0;
  int32_t queued = 0;  // an action of this enemy is queued or running

  // "enemy_NNN.png" of the enemy id from the enemy pictures folder; 1, or 0
  // after the error box when it does not load (the enemy then has no
  // picture and zero size, and fights on).
  int Load() override;
  // The picture (at half brightness on the attack's dark frames) and the
  // damage number; nothing once the enemy is defeated and its number gone.
  void Draw() override;
  // Frees the picture.
  void Release() override;

  // Replaces the damage number (tests record what is shown).
  void SetNumberDisplay(std::unique_ptr<CNumberDisplay> number);
  CNumberDisplay* GetNumberDisplay() const { return m_number.get(); }

  // One frame, with the gauge speed read from the settings file
  // ([Battle] EnemyATBSpeed, default 0) every time.
  void Update() override;
  // One frame at the given gauge speed setting.
  void UpdateWithSpeed(int atbSpeed);
  void StartPose(EnemyPose newPose, int frames, int newOffsetX, int newOffsetY);
  // Lowers HP by value; a negative value heals, but never a defeated enemy.
  void Damage(int value);
  // False once the enemy is defeated and its last number has gone; the
  // visible flag is cleared then, which is what the victory test reads.
  bool CheckVisible();
  // A random living member's slot, or -1 when none lives.
  int SelectTarget(const CPlayerParty& party) const;

 private:
  std::unique_ptr<CNumberDisplay> m_number;
};

// A random living enemy's index in the battle's list, or -1 when none lives.
int GetRandomEnemy(const std::vector<std::unique_ptr<CEnemy>>& enemies);

#endif
