#include <limits.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BattleAction.h"
#include "CActionList.h"
#include "CEnemy.h"
#include "CPlayerParty.h"
#include "game_fixture.h"
#include "system/random.h"

namespace {

TEST(BattleRulesTest, DamageIsAttackLessHalfTheDefence) {
  const struct {
    int attack, defence, damage;
  } cases[] = {{10, 21, 0}, {10, 5, 8},        {10, 4, 8},       {0, 0, 0},
               {3, 20, 0},  {INT_MAX, INT_MIN, INT_MAX}, {INT_MIN, 0, 0}, {7, -3, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.attack << " vs " << c.defence);
    EXPECT_EQ(CalcDamage(c.attack, c.defence), c.damage);
  }
  EXPECT_EQ(CalcEnemyDamage(12, 20, 2), 1);
  EXPECT_EQ(CalcEnemyDamage(11, 20, 2), 0);  // 1 halved
  EXPECT_EQ(CalcEnemyDamage(11, 20, 1), 1);
}

TEST(BattleRulesTest, TraceAndMenuTexts) {
  EXPECT_STREQ(GetActionTypeName(ACTION_ENEMY_SELECT), "敵コマンド選択");
  EXPECT_STREQ(GetActionTypeName(9), "不明");
  EXPECT_STREQ(GetBattleCommandName(CMD_FIGHT), "たたかう");
  EXPECT_STREQ(GetBattleCommandName(CMD_ENEMY_ATTACK), "ふめい");
}

std::unique_ptr<BattleAction> MakeAction(ActionType type, int delay, int actor) {
  auto action = std::make_unique<BattleAction>();
  *action = BattleAction{type, 0, delay, CMD_FIGHT, actor, 0};
  return action;
}

TEST(ActionListTest, ActionRunsWhenItsDelayHasPassed) {
  CActionList actions;
  actions.clock = 100;
  actions.Push(1, MakeAction(ACTION_ENEMY_SELECT, 30, 0));
  EXPECT_EQ(actions.GetQueue(1).back()->queuedClock, 100u);
  actions.clock = 129;
  EXPECT_EQ(actions.TakeDue(1), nullptr);
  EXPECT_EQ(actions.TakeDue(0), nullptr);
  actions.clock = 130;
  const std::unique_ptr<BattleAction> due = actions.TakeDue(1);
  ASSERT_NE(due, nullptr);
  EXPECT_TRUE(actions.GetQueue(1).empty());
}

TEST(ActionListTest, EarliestDueAtTheBackAndTiesRunLastPushedFirst) {
  CActionList actions;
  actions.Push(1, MakeAction(ACTION_ENEMY_SELECT, 30, 0));
  actions.Push(1, MakeAction(ACTION_ENEMY_SELECT, 30, 1));
  actions.clock = 10;
  actions.Push(1, MakeAction(ACTION_ENEMY_EXEC, 60, 2));
  actions.Push(1, MakeAction(ACTION_ENEMY_SELECT, 5, 3));
  actions.clock = 1000;
  std::vector<int> order;
  while (std::unique_ptr<BattleAction> a = actions.TakeDue(1)) order.push_back(a->actor);
  EXPECT_EQ(order, (std::vector<int>{3, 1, 0, 2}));
  EXPECT_TRUE(CompareActionTime(BattleAction{ACTION_PLAYER_EXEC, 0, 60},
                                BattleAction{ACTION_PLAYER_EXEC, 10, 30}));
}

TEST(ActionListTest, LockCountdownClearsOnTheFrameItRunsOut) {
  CActionList actions;
  actions.Push(0, MakeAction(ACTION_PLAYER_EXEC, 60, 0));
  actions.lockCountdown = 2;
  EXPECT_FALSE(actions.StepLockCountdown());
  EXPECT_TRUE(actions.StepLockCountdown());
  EXPECT_FALSE(actions.StepLockCountdown());
  actions.Clear();
  EXPECT_TRUE(actions.GetQueue(0).empty());
}

TEST(BattleRulesTest, GaugeStepsBySpeedSetting) {
  const struct {
    int speed, period;
  } periods[] = {{0, 6}, {1, 10}, {2, 2}, {3, 1}, {4, 1}, {5, 6}, {-1, 6}};
  for (const auto& p : periods) EXPECT_EQ(AtbGaugePeriod(p.speed), p.period);
  EXPECT_EQ(StepAtbGauge(99, 7, 4), 100);
  EXPECT_EQ(StepAtbGauge(50, 7, 4), 52);
  EXPECT_EQ(StepAtbGauge(50, 7, 0), 50);
  EXPECT_EQ(StepAtbGauge(150, 12, 0), 100);
}

class NumberRecorder : public CNumberDisplay {
 public:
  explicit NumberRecorder(std::vector<std::string>* log) : m_log(log) {}
  void Start(int x, int y, int value, ColorCode colour) override {
    m_log->push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(value) +
                     (colour == ComposeColorCode(96, 255, 96) ? " green" : " white"));
    frames = 50;
  }
  void Update() override {
    if (frames > 0) --frames;
  }
  void Draw() override {}
  bool IsVisible() const override { return frames > 0; }
  int frames = 0;

 private:
  std::vector<std::string>* m_log;
};

class EnemyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enemy.values.hp = enemy.values.maxHp = 50;
    enemy.x = 100;
    enemy.y = 40;
    enemy.pictureWidth = 64;
    enemy.pictureHeight = 48;
    auto number = std::make_unique<NumberRecorder>(&numbers);
    recorder = number.get();
    enemy.SetNumberDisplay(std::move(number));
  }
  CEnemy enemy;
  std::vector<std::string> numbers;
  NumberRecorder* recorder = nullptr;
};

TEST_F(EnemyTest, DefaultGaugeFillsFromFortyInThreeHundredSixtyFrames) {
  enemy.values.atbGauge = 40;
  for (int frame = 1; frame <= 360; ++frame) {
    enemy.UpdateWithSpeed(0);
    if (frame == 359) {
      EXPECT_EQ(enemy.values.atbGauge, 99);
    }
  }
  EXPECT_EQ(enemy.values.atbGauge, 100);
}

TEST_F(EnemyTest, AttackPoseDarkensOnItsBlinkFrames) {
  enemy.StartPose(ENEMY_POSE_ATTACK, 20, 0, 0);
  std::vector<int> dark;
  for (int i = 0; i < 20; ++i) {
    enemy.UpdateWithSpeed(0);
    if (enemy.darkened) dark.push_back(enemy.poseFrames);
  }
  EXPECT_EQ(dark, (std::vector<int>{19, 18, 13, 12, 7, 6, 1}));
  EXPECT_EQ(enemy.pose, ENEMY_POSE_IDLE);
  EXPECT_EQ(enemy.darkened, 0);
}

TEST_F(EnemyTest, SlideInMovesTwoPixelsAFrameFromTheLeft) {
  enemy.StartPose(ENEMY_POSE_SLIDE_IN, 24, -48, 0);
  for (int i = 0; i < 23; ++i) enemy.UpdateWithSpeed(0);
  EXPECT_EQ(enemy.offsetX, -2);
  enemy.UpdateWithSpeed(0);
  EXPECT_EQ(enemy.offsetX, 0);
  EXPECT_EQ(enemy.poseFrames, 0);
}

TEST_F(EnemyTest, DamageCentresTheNumberAndClampsHitPoints) {
  enemy.Damage(123);
  EXPECT_EQ(enemy.values.hp, 0);
  enemy.Damage(-10);  // a defeated enemy is not healed and shows no number
  EXPECT_EQ(enemy.values.hp, 0);
  EXPECT_EQ(numbers, std::vector<std::string>{"120,76 123 white"});

  enemy.values.hp = 45;
  numbers.clear();
  enemy.Damage(-9);
  EXPECT_EQ(enemy.values.hp, 50);
  enemy.Damage(INT_MIN);
  EXPECT_EQ(enemy.values.hp, 50);
  EXPECT_EQ(numbers, (std::vector<std::string>{"128,76 9 green", "100,76 2147483647 green"}));
}

TEST_F(EnemyTest, DefeatedEnemyVanishesAfterItsLastNumber) {
  enemy.Damage(50);
  for (int frame = 0; frame < 49; ++frame) {
    enemy.UpdateWithSpeed(0);
    ASSERT_TRUE(enemy.CheckVisible());
  }
  enemy.UpdateWithSpeed(0);
  EXPECT_FALSE(enemy.CheckVisible());
  EXPECT_EQ(enemy.visible, 0);
}

class TargetTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    UseMemberPictures();
  }
};

TEST_F(TargetTest, RandomTargetsAreLivingMembers) {
  WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29"});
  CPlayerParty party;
  party.Init();
  CEnemy enemy;
  EXPECT_EQ(enemy.SelectTarget(party), -1);
  for (int i = 0; i < 4; ++i) party.AddMember(1, 1);
  party.SwapMembers(1, 3);
  party.GetMember(0)->hp = 0;
  // Seed 7's first words, and the roll GetRandomInt(3000) = floor(word * 3001
  // / 2^32) worked out for each; the roll mod 3 picks among the living.
  const struct {
    uint32_t word;
    int roll, target;
  } draws[] = {{0x0159efaau, 15, 1},   {0x068bc937u, 76, 2},   {0x6cbf3800u, 1274, 3},
               {0xdec6db51u, 2611, 2}, {0x1937315cu, 295, 2},  {0xf9a5035au, 2926, 2}};
  SeedRandom(7);
  MersenneTwisterState twin;
  SeedMersenneTwisterState(&twin, 7);
  for (const auto& d : draws) {
    SCOPED_TRACE(d.roll);
    ASSERT_EQ(NextRandomWordFrom(&twin), d.word);
    EXPECT_EQ(enemy.SelectTarget(party), d.target);
  }
}

TEST(BattleRulesTest, RandomEnemyIsALivingOne) {
  std::vector<std::unique_ptr<CEnemy>> enemies;
  EXPECT_EQ(GetRandomEnemy(enemies), -1);
  for (int hp : {0, 5, 0, 9}) {
    enemies.push_back(std::make_unique<CEnemy>());
    enemies.back()->values.hp = hp;
  }
  // Seed 11's first words and GetRandomInt(2000) = floor(word * 2001 / 2^32);
  // the roll mod 2 picks enemy 1 or 3.
  const struct {
    uint32_t word;
    int roll, index;
  } draws[] = {{0x111ca23eu, 133, 3}, {0x36312925u, 423, 3}, {0x355a8dc9u, 417, 3},
               {0x3dbf1793u, 482, 1}, {0x46e93882u, 554, 1}, {0x7d8051f2u, 980, 1}};
  SeedRandom(11);
  MersenneTwisterState twin;
  SeedMersenneTwisterState(&twin, 11);
  for (const auto& d : draws) {
    SCOPED_TRACE(d.roll);
    ASSERT_EQ(NextRandomWordFrom(&twin), d.word);
    EXPECT_EQ(GetRandomEnemy(enemies), d.index);
  }
  enemies[1]->values.hp = 0;
  enemies[3]->values.hp = -4;
  EXPECT_EQ(GetRandomEnemy(enemies), -1);
}

}  // namespace
