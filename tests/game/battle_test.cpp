// Whole battles run through the game object, frame by frame, with small
// tables, fixed settings and a seeded generator: the timeline of the
// attacks, the queues, the rewards and the three ways a battle ends.
#include "CBattle.h"

#include <stdio.h>

#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CGame.h"
#include "Ombrel.h"
#include "game_fixture.h"
#include "stdout_capture.h"

namespace {

// id,name,column 3,HP,MP,gauge,attack,defence,3 battle values,6 attributes,
// money,EXP,9 more
std::string EnemyRow(int id, const char* name, int hp, int gauge, int attack, int defence,
                     int money, int exp) {
  char row[256];
  snprintf(row, sizeof row, "%d,%s,3,%d,4,%d,%d,%d,8,9,10,1,2,3,4,5,6,%d,%d,0,0,0,0,0,0,0,0,0", id,
           name, hp, gauge, attack, defence, money, exp);
  return row;
}

class BattleTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    UseMemberPictures();
    // Level 1: max HP 40, strength 12 (attack), stamina 9 (defence); level 2
    // at 10 EXP.
    WriteTable("lvinfo\\LvInfo001.csv",
               {"1,0,40,10,12,9,5,4,6,29", "2,10,50,12,13,10,6,5,7,30", "3,1000,60,14,14,11,7,6,8,31"});
    WriteTable("lvinfo\\LvInfo002.csv", {"1,0,30,20,8,7,6,9,9,10", "2,10,35,22,9,8,7,9,9,10"});
    WriteTable("lvinfo\\LvInfo003.csv", {"1,0,33,21,8,7,6,9,9,10"});
    WriteTable("lvinfo\\LvInfo004.csv", {"1,0,35,22,8,7,6,9,9,10"});
    // Party 1: the slime at x 40 and the goblin at x 100; party 2: one ogre;
    // party 3: nobody.
    WriteTable("enemy\\EnemyPartyTable.csv", {"1,two,0,1,3,7,0,0,0,0,0,0,0,0,0,0,0,0",
                                              "2,ogre,0,2,9,0,0,0,0,0,0,0,0,0,0,0,0,0",
                                              "3,none,0,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0"});
    WriteTable("enemy\\ArrangeTable.csv", {"1,2,40,60,100,60,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
                                           "2,1,60,60,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"});
    WriteTable("enemy\\EnemyTable.csv", {EnemyRow(3, "スライム", 20, 40, 11, 10, 5, 7),
                                         EnemyRow(7, "ゴブリン", 7, 40, 13, 4, 9, 8),
                                         EnemyRow(9, "オーガ", 500, 90, 200, 0, 1, 1)});
    WriteSettings("");
    CGame& game = Game();
    game.SetMode();
    game.waitState = WAIT_NONE;
    game.effect.type = EFFECT_NONE;
    game.effect.counter = 0;
    game.party.Init();
    game.party.money = 0;
    // The target cursor keeps its index from one battle to the next.
    game.battle.cursorManager.currentIndex = 0;
    // The menus keep their entry from one battle to the next.
    game.battle.cmdWindow.index = 0;
    game.battle.subWindow.index = 0;
    m_frame = 0;
    m_trace.clear();
  }

  void TearDown() override {
    CGame& game = Game();
    game.battle.Release();
    game.party.ClearMembers();
    game.SetMode();
    GameDataFixture::TearDown();
  }

  static CGame& Game() { return *CGame::GetInstance(); }
  static CBattle& Battle() { return Game().battle; }

  static void WriteSettings(const std::string& battleKeys) {
    WriteFileBytes("fixture\\debug.ini", "[Battle]\r\n" + battleKeys);
  }

  void StartBattle(int members, int enemyParty) {
    CGame& game = Game();
    for (int n = 1; n <= members; ++n) game.party.AddMember(n, n);
    if (members > 0) {
      ASSERT_NE(game.party.GetMember(members - 1), nullptr);
    }
    game.pendingEnemyParty = enemyParty;
    StdoutCapture out;
    game.StartBattle();
    m_trace += out.Take();
  }

  // One frame of the game with the keys held in it; returns its traces.
  std::string Frame(std::initializer_list<int> held = {}) {
    char states[kKeyCount] = {};
    for (int key : held) states[key] = 1;
    CGame& game = Game();
    StdoutCapture out;
    game.keyboard.Update(states);
    game.Update();
    game.Draw();
    const std::string printed = out.Take();
    ++m_frame;
    m_trace += printed;
    if (!printed.empty()) m_events.push_back({m_frame, printed});
    return printed;
  }

  // Runs frames without keys until the trace of one contains the text;
  // returns that frame's number, or -1 after the limit.
  int RunUntil(const std::string& text, int limit = 2000) {
    for (int i = 0; i < limit; ++i) {
      if (Frame().find(text) != std::string::npos) return m_frame;
    }
    return -1;
  }

  // The first frame from `from` on whose trace contains the text, -1 if none.
  int FrameOf(const std::string& text, int from = 0) const {
    for (const Event& event : m_events) {
      if (event.frame >= from && event.trace.find(text) != std::string::npos) return event.frame;
    }
    return -1;
  }

  // X on the menu the battle has just opened (it becomes active one frame
  // later), then X on the target under the cursor. Returns the frame of the
  // target's choice.
  int FightFirstTarget() {
    Frame();
    Frame({KEY_X});
    Frame();
    Frame({KEY_X});
    return m_frame;
  }

  // RIGHT opens the sub-menu, its cursor goes to the top and then down to
  // the entry (0 defend, 1 pass, 2 change), and X chooses it. Returns the
  // trace of the frame of X.
  std::string ChooseSubCommand(int entry) {
    std::vector<int> keys = {0, KEY_RIGHT, 0, KEY_UP, 0, KEY_UP, 0};
    for (int i = 0; i < entry; ++i) {
      keys.push_back(KEY_DOWN);
      keys.push_back(0);
    }
    for (int key : keys) {
      if (key == 0) {
        Frame();
      } else {
        Frame({key});
      }
    }
    return Frame({KEY_X});
  }

  struct Event {
    int frame;
    std::string trace;
  };
  ErrorMessageCapture m_errors;  // the fixture has no pictures or music for the battle
  int m_frame = 0;
  std::string m_trace;
  std::vector<Event> m_events;
};

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  fclose(file);
  return bytes;
}

TEST_F(BattleTest, ScriptedBattleKeepsItsTimelineAndItsTranscript) {
  // Members fill their gauge one point a frame; enemies keep the default.
  WriteSettings("PlayerATBSpeed=3\r\n");
  SeedRandom(5);
  StartBattle(1, 1);
  CBattle& battle = Battle();
  ASSERT_EQ(battle.enemies.size(), 2u);
  EXPECT_EQ(Game().GetMode(), MODE_BATTLE);
  EXPECT_EQ(battle.phase, PHASE_FIGHT);

  // The member's gauge is full after 100 frames and the menu opens at once.
  EXPECT_EQ(RunUntil("[ディノ] コマンド入力"), 100);
  const int t1 = FightFirstTarget();
  EXPECT_EQ(t1, 104);
  EXPECT_NE(m_trace.find("敵選択完了 → 攻撃実行 [0]"), std::string::npos);
  // Target at t: executed at t + 60, the hit 40 frames later, back 20 frames
  // after it, and the lock cleared 60 frames after that.
  EXPECT_EQ(RunUntil("DoPlayerAction プレーヤ コマンド実行"), t1 + 60);
  // The rightmost enemy is the first target: 12 - 4 / 2 = 10.
  EXPECT_EQ(RunUntil("[ゴブリン]に[10]のダメージ"), t1 + 100);
  EXPECT_EQ(RunUntil("アクションリストチェック ロック 解除 Actor[0]"), t1 + 120);
  EXPECT_EQ(RunUntil("SetSomeoneActing [0]"), t1 + 180);
  EXPECT_EQ(battle.enemies[1]->values.hp, 0);

  // The lone member gets the menu again once its gauge has refilled.
  EXPECT_EQ(RunUntil("[ディノ] コマンド入力"), t1 + 120 + 100);
  const int t2 = FightFirstTarget();
  // Both enemies' gauges fill from 40 at frame 360 (one point every 6
  // frames): their selections are due at 390, but the member's attack holds
  // the lock from t2 + 60 to t2 + 180.
  ASSERT_LT(t2 + 60, 390);
  EXPECT_EQ(RunUntil("[スライム]に[7]のダメージ"), t2 + 100);
  // Due at the same frame, the goblin was pushed last and runs first; it has
  // fallen, so its selection does nothing and the slime's follows a frame later.
  const int unlock2 = RunUntil("SetSomeoneActing [0]");
  EXPECT_EQ(unlock2, t2 + 180);
  EXPECT_EQ(FrameOf("DoAction 敵コマンド選択", unlock2), unlock2);
  const int k = 360;
  const int select = RunUntil("[スライム] から [0]へ こうげき");
  EXPECT_EQ(select, unlock2 + 1);
  EXPECT_EQ(RunUntil("DoAction 敵コマンド実行"), select + 60);
  // Enemy: the hit 20 frames after the execution, 11 - 9 / 2 = 7.
  EXPECT_EQ(RunUntil("[ディノ]に[7]のダメージ"), select + 80);
  EXPECT_EQ(Game().party.GetMember(0)->hp, 33);
  EXPECT_EQ(RunUntil("SetSomeoneActing [0]"), select + 140);
  EXPECT_GT(select, k + 30);

  // Two more hits of 7 finish the slime (20 HP).
  int turns = 0;
  while (battle.phase == PHASE_FIGHT && turns < 6) {
    if (battle.cmdWindow.visible == 0 && RunUntil("コマンド入力", 1500) < 0) break;
    FightFirstTarget();
    ++turns;
    for (int i = 0; i < 300 && battle.phase == PHASE_FIGHT; ++i) Frame();
  }
  ASSERT_EQ(battle.phase, PHASE_VICTORY);
  // 15 EXP for the one living member lifts it to level 2; 14 money.
  EXPECT_EQ(Game().party.money, 14);
  EXPECT_EQ(Game().party.GetMember(0)->level, 2);
  EXPECT_EQ(Game().party.GetMember(0)->exp, 15);

  // The pages, one per X.
  const char* pages[] = {"戦いに勝った！", "15 EXP", "14 ギル", "ディノがＬＶアップ！"};
  for (const char* page : pages) {
    EXPECT_STREQ(battle.infoWindow.lines[0], page);
    Frame({KEY_X});
    Frame();
  }
  EXPECT_EQ(Game().GetMode(), MODE_FIELD);

  const std::string golden = ReadFileBytes(std::string(TEST_SOURCE_DIR) + "/game/battle.golden");
  if (m_trace != golden) {
    WriteFileBytes(std::string(TEST_ARTIFACT_DIR) + "/battle_trace.txt", m_trace);
  }
  EXPECT_EQ(m_trace, golden) << "the transcript is kept as battle_trace.txt in the artefacts";
}

TEST_F(BattleTest, MembersReadyTogetherTakeTheMenuInSlotOrderAndPassingFreesIt) {
  WriteSettings("PlayerATBSpeed=3\r\n");
  StartBattle(2, 1);
  CBattle& battle = Battle();
  EXPECT_EQ(RunUntil("コマンド入力"), 100);
  EXPECT_EQ(battle.commandingMember, 0);
  EXPECT_EQ(battle.readyQueue, std::list<int32_t>{1});
  // Passing closes the menu and frees the member, who goes back to the
  // queue with its full gauge; the next member takes the menu in that frame.
  std::vector<int> commanding;
  for (int turn = 0; turn < 3; ++turn) {
    ChooseSubCommand(1);
    commanding.push_back(battle.commandingMember);
  }
  EXPECT_EQ(commanding, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(Game().party.GetMember(0)->atbGauge, 100);
}

TEST_F(BattleTest, LoneMemberWhoDefendsGetsTheMenuAgain) {
  WriteSettings("PlayerATBSpeed=3\r\n");
  StartBattle(1, 1);
  CBattle& battle = Battle();
  ASSERT_EQ(RunUntil("コマンド入力"), 100);
  // Defending closes the menu and frees the member; being the only one
  // ready, it takes the menu again in the same frame (which clears the
  // defend flag, as any new menu does).
  const std::string trace = ChooseSubCommand(0);
  EXPECT_NE(trace.find("[ディノ] コマンド入力"), std::string::npos);
  EXPECT_EQ(battle.commandingMember, 0);
  EXPECT_EQ(battle.cmdWindow.visible, 1);
  EXPECT_EQ(Game().party.GetMember(0)->atbGauge, 100);
}

TEST_F(BattleTest, AnnihilationRestoresThePartyOnX) {
  // The ogre's gauge starts at 90 and fills every frame; its 200 attack fells
  // anyone.
  WriteSettings("EnemyATBSpeed=3\r\n");
  SeedRandom(3);
  StartBattle(2, 2);
  CBattle& battle = Battle();
  for (int i = 0; i < 1000 && battle.phase == PHASE_FIGHT; ++i) Frame();
  ASSERT_EQ(battle.phase, PHASE_ANNIHILATED);
  EXPECT_STREQ(battle.infoWindow.lines[0], "全滅した");
  EXPECT_EQ(battle.infoWindow.visible, 1);
  EXPECT_EQ(Game().party.GetMember(0)->hp, 0);
  EXPECT_EQ(Game().party.GetMember(1)->hp, 0);
  Frame();
  EXPECT_EQ(Game().GetMode(), MODE_BATTLE);
  Frame({KEY_X});
  EXPECT_EQ(Game().GetMode(), MODE_FIELD);
  for (int slot = 0; slot < 2; ++slot) {
    const CPlayerChar* member = Game().party.GetMember(slot);
    EXPECT_EQ(member->hp, member->params.maxHp);
    EXPECT_EQ(member->mp, member->params.maxMp);
  }
}

TEST_F(BattleTest, EscapeTakesTheThirdRollOfSeed381) {
  StartBattle(2, 1);
  CBattle& battle = Battle();
  // Seed 381's first escape rolls are 10, 30 and 0 (see the party's test).
  SeedRandom(381);
  Frame({KEY_Q, KEY_W});
  EXPECT_EQ(Game().party.GetMember(0)->battle.escapeAttempt, 1);
  Frame({KEY_Q});  // one key alone clears the attempt
  EXPECT_EQ(Game().party.GetMember(0)->battle.escapeAttempt, 0);
  Frame({KEY_Q, KEY_W});
  EXPECT_EQ(battle.phase, PHASE_FIGHT);
  EXPECT_NE(Frame({KEY_Q, KEY_W}).find("にげる成功！"), std::string::npos);
  EXPECT_EQ(battle.phase, PHASE_ESCAPED);
  EXPECT_STREQ(battle.infoWindow.lines[0], "逃げ出した");
  EXPECT_EQ(Game().party.GetMember(0)->battle.pose, POSE_RUN_AWAY);
  Frame();
  EXPECT_EQ(Game().GetMode(), MODE_BATTLE);
  Frame({KEY_X});
  EXPECT_EQ(Game().GetMode(), MODE_FIELD);
  // The next battle starts afresh.
  StartBattle(0, 1);
  EXPECT_EQ(battle.phase, PHASE_FIGHT);
  EXPECT_EQ(battle.commandingMember, -1);
  EXPECT_EQ(battle.targetSelection, 0);
}

TEST_F(BattleTest, EmptyEnemyPartyAgainstAFallenPartyEndsInAnnihilation) {
  StartBattle(2, 3);
  EXPECT_TRUE(Battle().enemies.empty());
  for (int slot = 0; slot < 2; ++slot) Game().party.GetMember(slot)->hp = 0;
  Frame();
  // Won and annihilated in the same frame: no EXP was shared among nobody.
  EXPECT_EQ(Battle().phase, PHASE_ANNIHILATED);
  EXPECT_EQ(Game().party.GetMember(0)->exp, 0);
  EXPECT_EQ(Game().party.money, 0);
}

TEST_F(BattleTest, EmptyEnemyPartyIsWonInTheFirstFrameWithNothingToShare) {
  StartBattle(1, 3);
  Frame();
  EXPECT_EQ(Battle().phase, PHASE_VICTORY);
  EXPECT_STREQ(Battle().infoWindow.lines[0], "戦いに勝った！");
  EXPECT_TRUE(Battle().infoWindow.pages.empty());
  Frame({KEY_X});
  EXPECT_EQ(Game().GetMode(), MODE_FIELD);
}

TEST_F(BattleTest, RewardsShareTheExpAmongTheLivingAndCapTheMoney) {
  struct Case {
    int exp;
    int money;
    int startMoney;
    std::vector<int> hp;  // of the four members
    std::vector<int> expAfter;
    int moneyAfter;
  };
  const Case cases[] = {
      {3, 10, 0, {1, 1, 1, 1}, {1, 1, 1, 1}, 10},       // 3 / 4 is 0, given as 1
      {9, 0, 5, {0, 0, 1, 0}, {0, 0, 9, 0}, 5},         // one living member takes all
      {0, 17, 9999990, {1, 1, 1, 1}, {0, 0, 0, 0}, 9999999},
      {7, 3, 0, {1, 0, 1, 1}, {2, 0, 2, 2}, 3},         // 7 / 3 truncated
  };
  StartBattle(4, 3);
  CBattle& battle = Battle();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exp);
    for (int slot = 0; slot < 4; ++slot) {
      CPlayerChar* member = Game().party.GetMember(slot);
      member->hp = c.hp[static_cast<size_t>(slot)];
      member->exp = 0;
    }
    Game().party.money = c.startMoney;
    battle.enemies.clear();
    battle.enemies.push_back(std::make_unique<CEnemy>());
    battle.enemies.back()->values.exp = c.exp;
    battle.enemies.back()->values.money = c.money;
    battle.infoWindow.pages.clear();
    StdoutCapture out;
    battle.GiveRewards();
    out.Take();
    for (int slot = 0; slot < 4; ++slot) {
      EXPECT_EQ(Game().party.GetMember(slot)->exp, c.expAfter[static_cast<size_t>(slot)]) << slot;
    }
    EXPECT_EQ(Game().party.money, c.moneyAfter);
  }
}

TEST_F(BattleTest, ReadyQueueSkipsFallenMembersAndDuplicates) {
  StartBattle(3, 1);
  CBattle& battle = Battle();
  battle.readyQueue.clear();
  for (int slot : {2, 0, 2, 1, 3}) battle.PushReady(slot);
  EXPECT_EQ(battle.readyQueue, (std::list<int32_t>{2, 0, 1, 3}));
  Game().party.GetMember(0)->hp = 0;
  EXPECT_EQ(battle.PopReady(), 2);
  EXPECT_EQ(battle.PopReady(), -1);  // fallen: loses its turn
  EXPECT_EQ(battle.PopReady(), 1);
  EXPECT_EQ(battle.PopReady(), -1);  // slot 3 is empty
  EXPECT_EQ(battle.PopReady(), -1);
}

}  // namespace
