// One active-time battle: the party on the right against the enemies on the
// left. Both sides fill time gauges; a member whose gauge is full gets the
// command menu, an enemy whose gauge is full queues an attack, and the queued
// attacks run one at a time when they are due. The battle ends in victory,
// annihilation or escape, and then hands back to the game.
#ifndef MOONLITCAIRN_CBATTLE_H
#define MOONLITCAIRN_CBATTLE_H

#include <stdint.h>

#include <list>
#include <memory>
#include <vector>

#include "BattleAction.h"
#include "CActionList.h"
#include "CBattleCmdSubWindow.h"
#include "CBattleCmdWindow.h"
#include "CBattleCursorManager.h"
#include "CBattleInfoWindow.h"
#include "CCoWndManager.h"
#include "CEnemy.h"
#include "CEnemyPartyWindow.h"
#include "CField.h"
#include "CMark.h"
#include "CPlayerPartyWindow.h"

class CCursor;
class CManipulator;
class CPlayerParty;

struct BattleParam {
  int32_t background;  // picture number of the background ("field_NN.png")
  CPlayerParty* party;
  int32_t enemyPartyId;  // a row of the enemy party table
};

enum BattlePhase : int32_t {
  PHASE_FIGHT = 0,
  PHASE_VICTORY = 1,
  PHASE_ANNIHILATED = 2,
  PHASE_ESCAPED = 3,
};

// Stages of the attack in progress.
enum AttackStage : int32_t {
  ATTACK_NONE = 0,
  ATTACK_PLAYER_ANIMATING = 1,  // the member walks up and strikes
  ATTACK_PLAYER_RETURNING = 2,  // hit dealt; the member walks back
  ATTACK_ENEMY_ANIMATING = 3,
};

class CBattle : public CCoWndManager {
 public:
  // The windows and the target cursor use the game's shared cursor.
  explicit CBattle(CCursor* sharedCursor);
  ~CBattle() override;
  CBattle(const CBattle&) = delete;
  CBattle& operator=(const CBattle&) = delete;

  int Load() override { return 0; }
  using CDrawable::Update;
  // One frame of the current phase.
  void Update(const CManipulator& keyboard);
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int value) override;
  void OnCancel(CFrameWindow* window) override;

  // 1 when the background picture loaded, else 0.
  int Start(const BattleParam& newParam);

  // The ready queue of members whose gauges are full: no index twice.
  void PushReady(int index);
  // The front index when it names a living member; -1 for a fallen one (it
  // loses its turn) or an empty queue.
  int PopReady();

  void GiveRewards();
  void ReleaseEnemies();
  void UpdateEscape(const CManipulator& keyboard);
  void UpdateVictory(const CManipulator& keyboard);
  void UpdateAnnihilated(const CManipulator& keyboard);
  void SetSomeoneActing(int acting);

  // Runs a due action of the player queue or of the enemy queue.
  void DoPlayerAction(const BattleAction& action);
  void DoAction(const BattleAction& action);
  // A random living enemy's index, or -1 when none lives.
  int GetRandomEnemy() const;

  BattlePhase phase = PHASE_FIGHT;
  CField field;
  BattleParam param{};
  std::vector<std::unique_ptr<CEnemy>> enemies;
  CActionList actions;
  CBattleCursorManager cursorManager;
  CMark mark;
  std::list<int32_t> readyQueue;
  int32_t targetSelection = 0;
  int32_t commandingMember = -1;
  int32_t playerAttackStage = ATTACK_NONE;
  int32_t enemyAttackStage = ATTACK_NONE;
  int32_t command = 0;
  int32_t actor = 0;
  int32_t target = 0;
  CPlayerPartyWindow partyWindow;
  CEnemyPartyWindow enemyWindow;
  CBattleCmdWindow cmdWindow;
  CBattleCmdSubWindow subWindow;
  CBattleInfoWindow infoWindow;

 private:
  void UpdateFight(const CManipulator& keyboard);
  void OpenCommandMenu();
  void RunDueActions();
  void UpdateAttack();
  void CheckVictory();
  void CheckAnnihilation();
  // The steps of the game's battle end, after an escape or an annihilation.
  void ReturnToGame();
  // The commanding member's menu is closed: the mark and both menus hidden,
  // and the member free to be queued again with a still-full gauge.
  void CloseCommandMenu();
  CPlayerChar* Member(int slot) const;
  CEnemy* Enemy(int index) const;
  CCursor* m_sharedCursor;
};

#endif
