#include "CBattle.h"

#include <stdio.h>

#include <string>

#include "CCursor.h"
#include "CDataManager.h"
#include "CGame.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "ErrorMessage.h"
#include "GameSettings.h"
#include "Ombrel.h"

namespace {

constexpr int kEnemySlideInFrames = 24;
constexpr int kEnemySlideInOffsetX = -48;
constexpr int kMemberAttackFrames = 40;
constexpr int kMemberReturnFrames = 20;
constexpr int kMemberReturnOffsetX = -40;  // the 40 pixels of its walk up
constexpr int kEnemyAttackFrames = 20;
constexpr int kLockFrames = 60;  // the pause after an attack
constexpr int kBattleMusic = 3;
constexpr int kVictoryMusic = 4;
constexpr int kLevelUpLineBytes = 480;
// The debug setting that changes enemy attacks: 1 turns each enemy's attack
// into a single pause, 2 halves the damage.
constexpr int kEnemyAttackSkip = 1;

int ReadEnemyAttackSetting() { return ReadDebugSetting("Battle", "EnemyAtack", 0); }

CSoundManager& Sound() { return CGame::GetInstance()->sound; }

}  // namespace

CBattle::CBattle(CCursor* sharedCursor)
    : cursorManager(sharedCursor),
      cmdWindow(sharedCursor),
      subWindow(sharedCursor),
      m_sharedCursor(sharedCursor) {
  visible = 1;
  mark.visible = 1;
}

CBattle::~CBattle() = default;

CPlayerChar* CBattle::Member(int slot) const {
  return param.party != nullptr ? param.party->GetMember(slot) : nullptr;
}

CEnemy* CBattle::Enemy(int index) const {
  if (index < 0 || index >= static_cast<int>(enemies.size())) return nullptr;
  return enemies[static_cast<size_t>(index)].get();
}

int CBattle::Start(const BattleParam& newParam) {
  param = newParam;
  phase = PHASE_FIGHT;
  commandingMember = -1;
  targetSelection = 0;

  ReleaseEnemies();
  CDataManager& data = CDataManager::GetInstance();
  data.LoadEnemyParty(param.enemyPartyId, &enemies);
  for (const std::unique_ptr<CEnemy>& enemy : enemies) {
    enemy->Load();
    enemy->StartPose(ENEMY_POSE_SLIDE_IN, kEnemySlideInFrames, kEnemySlideInOffsetX, 0);
    printf("[%s] ATB [%d]\n", enemy->values.name, enemy->values.atbGauge);
  }

  field.Release();
  field.number = param.background;
  char path[512];
  snprintf(path, sizeof path, "%s\\%s%02d.png", DataPath("field").c_str(), "field_",
           param.background);
  field.picture = CreateGraphFromFile(path, 0);
  int result = 1;
  if (field.picture == -1) {
    ShowErrorMessage("画像読み込み失敗 [%s]", path);
    result = 0;
  }

  // A battle started again without a release must not list its windows twice.
  windows.clear();
  enemyWindow.Init(enemies);
  windows.push_back(&enemyWindow);
  partyWindow.Init(param.party);
  windows.push_back(&partyWindow);
  cmdWindow.owner = this;
  cmdWindow.x = 25;
  cmdWindow.y = 170;
  cmdWindow.width = 90;
  cmdWindow.height = 70;
  cmdWindow.CopyWindowSkin();
  windows.push_back(&cmdWindow);
  subWindow.Init(this);
  windows.push_back(&subWindow);
  infoWindow.x = 20;
  infoWindow.y = 5;
  infoWindow.width = 280;
  infoWindow.height = 25;
  infoWindow.CopyWindowSkin();
  windows.push_back(&infoWindow);

  mark.Load();
  mark.visible = 0;

  if (param.party != nullptr) param.party->SetBattlePosition();
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    CPlayerChar* member = Member(slot);
    if (member == nullptr) continue;
    member->atbGauge = 0;
    member->battle.queuedAttack = 0;
    printf("[%s] ATB [%d]\n", member->name, 0);
  }

  actions.clock = 0;
  actions.someoneActing = 0;
  // A countdown left running by the previous battle would unlock this one.
  actions.lockCountdown = 0;
  actions.Clear();
  readyQueue.clear();
  cursorManager.Init(enemies, param.party, this);
  playerAttackStage = ATTACK_NONE;
  enemyAttackStage = ATTACK_NONE;

  CSoundManager& sound = Sound();
  sound.StopBGM();
  sound.LoadSoundFile(kBattleMusic);
  sound.LoadSoundFile(kVictoryMusic);
  sound.PlayBGM(kBattleMusic, 1);
  return result;
}

void CBattle::Update(const CManipulator& keyboard) {
  switch (phase) {
    case PHASE_FIGHT:
      UpdateFight(keyboard);
      break;
    case PHASE_VICTORY:
      UpdateVictory(keyboard);
      break;
    case PHASE_ANNIHILATED:
      UpdateAnnihilated(keyboard);
      break;
    case PHASE_ESCAPED:
      UpdateEscape(keyboard);
      break;
  }
}

void CBattle::UpdateFight(const CManipulator& keyboard) {
  ++actions.clock;
  if (actions.StepLockCountdown()) SetSomeoneActing(0);

  if (targetSelection == 0) {
    Control(keyboard);
  } else {
    cursorManager.Control(keyboard);
    mark.Update();
    partyWindow.Update();
  }

  if (keyboard.IsHeld(KEY_Q) && keyboard.IsHeld(KEY_W)) {
    if (param.party != nullptr && param.party->TryEscape() != 0) {
      printf("◆◆◆◆◆◆◆◆ にげる成功！◆◆◆◆◆◆◆◆\n");
      phase = PHASE_ESCAPED;
      mark.visible = 0;
      cmdWindow.SetVisible(0);
      subWindow.SetVisible(0);
      m_sharedCursor->visible = 0;
      infoWindow.SetVisible(1);
      infoWindow.SetMessage("逃げ出した");
      return;
    }
  } else {
    for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
      if (CPlayerChar* member = Member(slot)) member->GetSprite()->SetEscapeAttempt(0);
    }
  }

  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    CPlayerChar* member = Member(slot);
    if (member == nullptr) continue;
    member->battle.Update();
    if (slot != commandingMember && member->hp > 0 && member->atbGauge >= 100 &&
        member->battle.queuedAttack == 0) {
      PushReady(slot);
    }
  }

  for (size_t i = 0; i < enemies.size(); ++i) {
    CEnemy& enemy = *enemies[i];
    enemy.Update();
    if (enemy.values.atbGauge >= 100 && enemy.queued == 0 && enemy.poseFrames == 0) {
      actions.Push(1, std::make_unique<BattleAction>(
                          BattleAction{ACTION_ENEMY_SELECT, 0, kEnemySelectDelay,
                                       static_cast<BattleCommand>(0), static_cast<int32_t>(i), 0}));
      enemy.queued = 1;
    }
  }

  if (actions.someoneActing == 0) {
    if (cmdWindow.visible == 0) OpenCommandMenu();
    RunDueActions();
  }
  UpdateAttack();
  CheckVictory();
  CheckAnnihilation();
}

void CBattle::OpenCommandMenu() {
  const int slot = PopReady();
  CPlayerChar* member = Member(slot);
  if (member == nullptr) return;
  commandingMember = slot;
  member->defending = 0;
  mark.x = member->battle.x + 2;
  mark.y = member->battle.y - 12;
  mark.visible = 1;
  printf("[%s] コマンド入力\n", member->name);
  cmdWindow.SetCommands(member->commands);
  cmdWindow.SetVisible(1);
  SetFocus(&cmdWindow);
}

void CBattle::RunDueActions() {
  if (std::unique_ptr<BattleAction> action = actions.TakeDue(0)) DoPlayerAction(*action);
  if (actions.someoneActing != 0) return;
  if (std::unique_ptr<BattleAction> action = actions.TakeDue(1)) DoAction(*action);
}

void CBattle::CheckVictory() {
  for (const std::unique_ptr<CEnemy>& enemy : enemies) {
    if (enemy->visible != 0) return;
  }
  phase = PHASE_VICTORY;
  infoWindow.SetVisible(1);
  cmdWindow.SetVisible(0);
  subWindow.SetVisible(0);
  mark.visible = 0;
  m_sharedCursor->visible = 0;
  Sound().PlayBGM(kVictoryMusic, 1);
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    CPlayerChar* member = Member(slot);
    // A negative count runs the pose without end.
    if (member != nullptr && member->hp > 0) member->battle.StartPose(POSE_VICTORY, -1, 0, 0);
  }
  GiveRewards();
}

void CBattle::CheckAnnihilation() {
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    const CPlayerChar* member = Member(slot);
    if (member != nullptr && member->hp > 0) return;
  }
  m_sharedCursor->visible = 0;
  phase = PHASE_ANNIHILATED;
  infoWindow.SetVisible(1);
  infoWindow.SetMessage("全滅した");
}

void CBattle::PushReady(int index) {
  for (int queued : readyQueue) {
    if (queued == index) return;
  }
  readyQueue.push_back(index);
}

int CBattle::PopReady() {
  if (readyQueue.empty()) return -1;
  const int index = readyQueue.front();
  readyQueue.pop_front();
  const CPlayerChar* member = Member(index);
  return member != nullptr && member->hp > 0 ? index : -1;
}

void CBattle::GiveRewards() {
  int64_t expTotal = 0, moneyTotal = 0, abpTotal = 0;
  for (const std::unique_ptr<CEnemy>& enemy : enemies) {
    expTotal += enemy->values.exp;
    moneyTotal += enemy->values.money;
    abpTotal += enemy->values.abp;
  }
  auto clampToInt = [](int64_t value) {
    return static_cast<int>(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
  };
  std::vector<std::string> lines;
  if (param.party != nullptr) {
    const int64_t money = static_cast<int64_t>(param.party->money) + moneyTotal;
    param.party->money = static_cast<int32_t>(money > kMaxMoney ? kMaxMoney : money);
    int living = 0;
    for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
      const CPlayerChar* member = Member(slot);
      if (member != nullptr && member->hp > 0) ++living;
    }
    // A battle won with nobody standing (an empty enemy party against a
    // fallen party) shares nothing; the annihilation follows in this frame.
    if (living > 0) {
      int64_t share = expTotal / living;
      if (expTotal != 0 && share == 0) share = 1;
      for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
        CPlayerChar* member = Member(slot);
        if (member == nullptr || member->hp <= 0) continue;
        if (member->AddExp(clampToInt(share)) == 1) {
          char line[kLevelUpLineBytes];
          snprintf(line, sizeof line, "%sがＬＶアップ！", member->name);
          lines.push_back(line);
        }
      }
    }
  }
  infoWindow.SetVictoryMessage(clampToInt(moneyTotal), clampToInt(expTotal),
                               clampToInt(abpTotal), lines);
}

void CBattle::ReleaseEnemies() {
  for (const std::unique_ptr<CEnemy>& enemy : enemies) enemy->Release();
  enemies.clear();
}

void CBattle::UpdateVictory(const CManipulator& keyboard) {
  infoWindow.Control(keyboard);
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    if (CPlayerChar* member = Member(slot)) member->battle.Update();
  }
  if (infoWindow.visible == 0) CGame::GetInstance()->EndBattle();
}

void CBattle::UpdateAnnihilated(const CManipulator& keyboard) {
  infoWindow.Control(keyboard);
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    if (CPlayerChar* member = Member(slot)) member->battle.Update();
  }
  if (!keyboard.IsTriggered(KEY_X)) return;
  // There is no game over: the whole party stands up again.
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    CPlayerChar* member = Member(slot);
    if (member == nullptr) continue;
    member->hp = member->params.maxHp;
    member->mp = member->params.maxMp;
  }
  CGame::GetInstance()->EndBattle();
}

void CBattle::UpdateEscape(const CManipulator& keyboard) {
  infoWindow.Control(keyboard);
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    CPlayerChar* member = Member(slot);
    if (member != nullptr && member->battle.poseFrames != 0) member->battle.Update();
  }
  for (const std::unique_ptr<CEnemy>& enemy : enemies) enemy->Update();
  if (keyboard.IsTriggered(KEY_X)) CGame::GetInstance()->EndBattle();
}

void CBattle::SetSomeoneActing(int acting) {
  actions.someoneActing = acting;
  printf("SetSomeoneActing [%d]\n", acting);
}

void CBattle::CloseCommandMenu() {
  cmdWindow.SetVisible(0);
  subWindow.SetVisible(0);
  mark.visible = 0;
  // Released here rather than when another member takes the menu, so that a
  // member who acts alone gets the menu again.
  commandingMember = -1;
}

void CBattle::OnSelect(CFrameWindow* window, int value) {
  if (window == &cmdWindow) {
    if (value == CMD_FIGHT) {
      targetSelection = 1;
      printf("敵選択開始\n");
      cursorManager.CheckTarget();
      printf("敵選択完了\n");
    }
    return;
  }
  if (window == &subWindow) {
    CPlayerChar* member = Member(commandingMember);
    if (member == nullptr || member->hp <= 0) return;
    if (value == CMD_DEFEND) member->defending = 1;
    if (value == CMD_DEFEND || value == CMD_PASS) CloseCommandMenu();
    return;
  }
  if (window == nullptr && targetSelection != 0 && commandingMember != -1) {
    printf("敵選択完了 → 攻撃実行 [%d]\n", commandingMember);
    actions.Push(0, std::make_unique<BattleAction>(BattleAction{
                        ACTION_PLAYER_EXEC, 0, kPlayerExecDelay, CMD_FIGHT, commandingMember, value}));
    targetSelection = 0;
    if (CPlayerChar* member = Member(commandingMember)) member->battle.queuedAttack = 1;
    CloseCommandMenu();
  }
}

void CBattle::OnCancel(CFrameWindow* window) {
  if (window == &subWindow) {
    subWindow.SetVisible(0);
    SetFocus(&cmdWindow);
  } else if (window == nullptr && targetSelection != 0) {
    targetSelection = 0;
    SetFocus(&cmdWindow);
  }
}

int CBattle::GetRandomEnemy() const { return ::GetRandomEnemy(enemies); }

void CBattle::DoPlayerAction(const BattleAction& action) {
  printf("DoPlayerAction %s\n", GetActionTypeName(action.type));
  if (action.type != ACTION_PLAYER_EXEC) return;
  CPlayerChar* member = Member(action.actor);
  if (member == nullptr) return;
  int newTarget = action.target;
  const CEnemy* enemy = Enemy(newTarget);
  if (enemy == nullptr || enemy->values.hp <= 0) {
    printf("[%d] がいない為 対象再設定\n", newTarget);
    newTarget = GetRandomEnemy();
    if (newTarget == -1) return;
  }
  printf("[%s] から [%d]へ こうげき\n", member->name, newTarget);
  if (member->hp > 0) member->battle.StartPose(POSE_ATTACK, kMemberAttackFrames, 0, 0);
  playerAttackStage = ATTACK_PLAYER_ANIMATING;
  command = action.command;
  actor = action.actor;
  target = newTarget;
  SetSomeoneActing(1);
  printf("アクションリストチェック ロック Actor[%d]\n", actor);
}

void CBattle::DoAction(const BattleAction& action) {
  printf("DoAction %s\n", GetActionTypeName(action.type));
  CEnemy* enemy = Enemy(action.actor);
  if (enemy == nullptr) return;
  if (action.type == ACTION_ENEMY_SELECT) {
    if (enemy->values.hp <= 0) return;
    const int chosen = param.party != nullptr ? enemy->SelectTarget(*param.party) : -1;
    printf("[%s] から [%d]へ こうげき\n", enemy->values.name, chosen);
    actions.Push(1, std::make_unique<BattleAction>(BattleAction{
                        ACTION_ENEMY_EXEC, 0, kEnemyExecDelay, CMD_ENEMY_ATTACK, action.actor, chosen}));
    return;
  }
  if (action.type != ACTION_ENEMY_EXEC) return;
  const int setting = ReadEnemyAttackSetting();
  SetSomeoneActing(1);
  printf("アクションリストチェック ロック(敵コマンド実行) nActor [%d]\n", actor);
  if (setting == kEnemyAttackSkip) {
    // The enemy keeps its full gauge and its queued flag: it acts no more.
    actions.lockCountdown = kLockFrames;
    return;
  }
  enemy->StartPose(ENEMY_POSE_ATTACK, kEnemyAttackFrames, 0, 0);
  enemyAttackStage = ATTACK_ENEMY_ANIMATING;
  command = action.command;
  actor = action.actor;
  target = action.target;
  const CPlayerChar* member = Member(target);
  if ((member == nullptr || member->hp <= 0) && param.party != nullptr) {
    target = enemy->SelectTarget(*param.party);
  }
}

void CBattle::UpdateAttack() {
  if (playerAttackStage == ATTACK_PLAYER_ANIMATING) {
    CPlayerChar* member = Member(actor);
    CEnemy* enemy = Enemy(target);
    if (member != nullptr && member->battle.poseFrames == 0) {
      const int damage = command == CMD_FIGHT && enemy != nullptr
                             ? CalcDamage(member->params.attack, enemy->values.Defence())
                             : 0;
      if (enemy != nullptr) {
        printf("[%s]に[%d]のダメージ\n", enemy->values.name, damage);
        enemy->Damage(damage);
      }
      if (member->hp > 0) {
        member->battle.StartPose(POSE_RETURN, kMemberReturnFrames, kMemberReturnOffsetX, 0);
      }
      playerAttackStage = ATTACK_PLAYER_RETURNING;
    }
  }
  if (playerAttackStage == ATTACK_PLAYER_RETURNING) {
    CPlayerChar* member = Member(actor);
    if (member != nullptr && member->battle.poseFrames == 0) {
      actions.lockCountdown = kLockFrames;
      printf("アクションリストチェック ロック 解除 Actor[%d]\n", actor);
      member->battle.queuedAttack = 0;
      member->atbGauge = 0;
      playerAttackStage = ATTACK_NONE;
    }
  }
  if (enemyAttackStage == ATTACK_ENEMY_ANIMATING) {
    CEnemy* enemy = Enemy(actor);
    if (enemy == nullptr || enemy->poseFrames == 0) {
      CPlayerChar* member = Member(target);
      if (member != nullptr && enemy != nullptr) {
        const int damage =
            command == CMD_ENEMY_ATTACK
                ? CalcEnemyDamage(enemy->values.Attack(), member->params.defence,
                                  ReadEnemyAttackSetting())
                : 0;
        printf("[%s]に[%d]のダメージ\n", member->name, damage);
        member->Damage(damage);
        if (member->hp <= 0 && target == commandingMember) {
          commandingMember = -1;
          targetSelection = 0;
          mark.visible = 0;
          cmdWindow.SetVisible(0);
          subWindow.SetVisible(0);
          printf("[%s]戦闘不能\n", member->name);
        }
      }
      enemyAttackStage = ATTACK_NONE;
      if (enemy != nullptr) {
        enemy->queued = 0;
        enemy->values.atbGauge = 0;
      }
      actions.lockCountdown = kLockFrames;
    }
  }
}

void CBattle::Draw() {
  field.Draw();
  if (param.party != nullptr) param.party->DrawBattle();
  for (const std::unique_ptr<CEnemy>& enemy : enemies) enemy->Draw();
  for (CFrameWindow* window : windows) window->Draw();
  if (targetSelection != 0) m_sharedCursor->Draw();
  mark.Draw();
}

void CBattle::Release() {
  field.Release();
  enemyWindow.Release();
  partyWindow.Release();
  cmdWindow.Release();
  subWindow.Release();
  infoWindow.Release();
  ReleaseEnemies();
  actions.Clear();
  mark.Release();
  windows.clear();
}
