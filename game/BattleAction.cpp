#include "BattleAction.h"

#include "Ombrel.h"

const char* GetActionTypeName(int type) {
  switch (type) {
    case ACTION_PLAYER_INPUT:
      return "プレーヤ コマンド入力";
    case ACTION_PLAYER_EXEC:
      return "プレーヤ コマンド実行";
    case ACTION_ENEMY_SELECT:
      return "敵コマンド選択";
    case ACTION_ENEMY_EXEC:
      return "敵コマンド実行";
    default:
      return "不明";
  }
}

const char* GetBattleCommandName(int command) {
  switch (command) {
    case CMD_FIGHT:
      return "たたかう";
    case CMD_ITEM:
      return "アイテム";
    case CMD_DEFEND:
      return "ぼうぎょ";
    case CMD_PASS:
      return "パス";
    case CMD_CHANGE:
      return "チェンジ";
    default:
      return "ふめい";
  }
}

int CalcDamage(int attack, int defence) {
  // Wide arithmetic, so extreme table values cannot wrap into a heal.
  const int64_t damage = static_cast<int64_t>(attack) - defence / 2;
  if (damage < 0) return 0;
  return damage > INT32_MAX ? INT32_MAX : static_cast<int>(damage);
}

int CalcEnemyDamage(int attack, int defence, int enemyAttackSetting) {
  const int damage = CalcDamage(attack, defence);
  return enemyAttackSetting == 2 ? damage / 2 : damage;
}

int AtbGaugePeriod(int atbSpeed) {
  switch (atbSpeed) {
    case 1:
      return 10;
    case 2:
      return 2;
    case 3:
    case 4:
      return 1;
    default:
      return 6;
  }
}

int StepAtbGauge(int gauge, uint32_t frameCounter, int atbSpeed) {
  if (frameCounter % static_cast<uint32_t>(AtbGaugePeriod(atbSpeed)) != 0) return gauge;
  if (gauge >= 100) return 100;
  const int next = gauge + (atbSpeed == 4 ? 2 : 1);
  return next > 100 ? 100 : next;
}

int RollRandomIndex(int count) {
  const uint32_t roll = static_cast<uint32_t>(GetRandomInt(count * 1000));
  return static_cast<int>(roll % static_cast<uint32_t>(count));
}
