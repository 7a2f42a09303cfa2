// The battle's commands, its queued actions and the rules that decide an
// attack: the damage formula and the random choice of a living target.
#ifndef MOONLITCAIRN_BATTLE_ACTION_H
#define MOONLITCAIRN_BATTLE_ACTION_H

#include <stdint.h>

enum BattleCommand : int32_t {
  CMD_FIGHT = 1,
  CMD_ITEM = 2,
  CMD_DEFEND = 3,
  CMD_PASS = 4,
  CMD_CHANGE = 5,
  CMD_ENEMY_ATTACK = 1001,
};

enum ActionType : int32_t {
  ACTION_PLAYER_INPUT = 1,
  ACTION_PLAYER_EXEC = 2,   // a member's attack on a chosen enemy
  ACTION_ENEMY_SELECT = 3,  // an enemy's full gauge; picks a target when due
  ACTION_ENEMY_EXEC = 4,    // an enemy's attack on its target
};

// Frames between queueing and running.
constexpr int kPlayerExecDelay = 60;
constexpr int kEnemySelectDelay = 30;
constexpr int kEnemyExecDelay = 60;

struct BattleAction {
  ActionType type;
  uint32_t queuedClock;  // set when the action is queued
  int32_t delay;
  BattleCommand command;
  int32_t actor;   // member slot for player actions, enemy index for enemy ones
  int32_t target;  // enemy index for player actions, member slot for enemy ones
};

// The text of an action type in the battle's traces ("不明" for other values).
const char* GetActionTypeName(int type);
// The command menu's text of a command ("ふめい" for other ids).
const char* GetBattleCommandName(int command);

// One formula for both sides: attack minus half the defence (truncated toward
// zero), never below 0.
int CalcDamage(int attack, int defence);
// An enemy's hit on a member; the debug setting EnemyAtack 2 halves it.
int CalcEnemyDamage(int attack, int defence, int enemyAttackSetting);

// Frames between two steps of a time gauge for the speed setting: 1 slow
// (10), 2 fast (2), 3 and 4 every frame, anything else 6.
int AtbGaugePeriod(int atbSpeed);
// The gauge after a frame: on frames that are a multiple of the period it
// grows by 1 (by 2 with setting 4), never beyond 100.
int StepAtbGauge(int gauge, uint32_t frameCounter, int atbSpeed);

// A uniformly chosen index 0 to count - 1: the roll GetRandomInt(count * 1000)
// taken modulo count. count must be 1 to 2,000,000.
int RollRandomIndex(int count);

#endif
