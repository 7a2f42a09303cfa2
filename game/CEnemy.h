// One enemy of a battle: its values from the enemy table, its time gauge, its
// slide-in and attack poses and its hit points. The picture and the damage
// number are drawn by the battle's sprites.
#ifndef MOONLITCAIRN_CENEMY_H
#define MOONLITCAIRN_CENEMY_H

#include <stdint.h>

#include <memory>
#include <vector>

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

class CEnemy {
 public:
  CEnemy();
  virtual ~CEnemy();

  EnemyValues values{};
  int32_t visible = 1;
  int32_t offsetX = 0, offsetY = 0;
  int32_t positionX = 0, positionY = 0;  // the picture's top-left corner
  int32_t picture = -1;
  int32_t pictureWidth = 0, pictureHeight = 0;
  EnemyPose pose = ENEMY_POSE_IDLE;
  int32_t poseFrames = 0;  // 0 = no animation running
  int32_t darkened = 0;    // set on the blinking frames of an attack
  uint32_t frameCounter = 0;
  int32_t queued = 0;  // an action of this enemy is queued or running

  // The battle's sprite code gives the enemy its damage number.
  void SetNumberDisplay(std::unique_ptr<CNumberDisplay> number);
  CNumberDisplay* GetNumberDisplay() const { return m_number.get(); }

  // One frame, with the gauge speed read from the settings file
  // ([Battle] EnemyATBSpeed, default 0) every time.
  void Update();
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
