#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CNumberAnimation.h"
#include "CPlayerBattle.h"
#include "CPlayerChar.h"

namespace {

using Steps = std::vector<std::pair<int, int>>;

const ColorCode kWhite = ComposeColorCode(255, 255, 255);

TEST(NumberAnimationTest, DigitsHopTogetherThenRestAndHide) {
  CNumberAnimation number;
  EXPECT_TRUE(number.IsVisible());  // visible from the start, with no digits
  number.Start(100, 60, 305, kWhite);
  ASSERT_EQ(number.digitCount, 3);
  EXPECT_EQ((std::vector<int>{number.digits[0], number.digits[1], number.digits[2]}),
            (std::vector<int>{3, 0, 5}));
  EXPECT_EQ((std::vector<int>{number.digitX[0], number.digitX[1], number.digitX[2]}),
            (std::vector<int>{100, 108, 116}));
  // Update k places the digits for 51 - k frames left: 60 - trunc(|sin((k - 1)
  // x 3.14159265 / 30) x 20|). Worked out: k = 6 is sin of just under 30
  // degrees, 9.99999... and so 9; k = 16 is 90 degrees, 20; k = 26 just over
  // 150 degrees, 10.000...1 and so 10.
  const std::pair<int, int> heights[] = {{1, 0},   {2, 2},   {6, 9},   {11, 17}, {16, 20},
                                         {21, 17}, {26, 10}, {30, 2},  {31, 0},  {50, 0}};
  std::vector<std::pair<int, int>> seen;
  for (int k = 1; k <= 50; ++k) {
    number.Update();
    for (int i = 1; i < 3; ++i) ASSERT_EQ(number.digitY[i], number.digitY[0]);
    for (const auto& h : heights) {
      if (h.first == k) seen.push_back({k, 60 - number.digitY[0]});
    }
    ASSERT_TRUE(number.IsVisible()) << k;
  }
  EXPECT_EQ(seen, Steps(std::begin(heights), std::end(heights)));
  EXPECT_EQ(number.framesLeft, 0);
  number.Update();
  EXPECT_FALSE(number.IsVisible());
  EXPECT_EQ(NumberHopHeight(45), 9);
}

TEST(NumberAnimationTest, OnlyTheFirstEightCharactersBecomeDigits) {
  CNumberAnimation number;
  number.Start(0, 0, 123456789, kWhite);
  EXPECT_EQ(number.digitCount, 8);
  EXPECT_EQ(number.digits[7], 8);
  EXPECT_EQ(number.digitX[7], 56);
  number.Start(4, 0, 0, kWhite);
  EXPECT_EQ(number.digitCount, 1);
  EXPECT_EQ(number.digits[0], 0);
  EXPECT_EQ(number.framesLeft, kNumberFrames);
}

class PlayerBattleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    member.hp = 10;
    sprite.owner = &member;
    sprite.SetPosition(230, 45);
  }
  // The frame and horizontal offset after each of count updates.
  std::vector<std::pair<int, int>> Run(int count) {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < count; ++i) {
      sprite.Update();
      out.push_back({sprite.frameIndex, sprite.offsetX});
    }
    return out;
  }
  CPlayerChar member;
  CPlayerBattle sprite;
};

TEST_F(PlayerBattleTest, SlideInWalksFortyEightPixelsInTwentyFourFrames) {
  sprite.StartPose(POSE_SLIDE_IN, 24, 48, 0);
  const auto steps = Run(24);
  // Counts 23, 22, ...: frames W(c) = 1, 2, 1, 0 by (c / 2) mod 4; -4 on even c.
  const std::vector<std::pair<int, int>> first = {{0, 48}, {0, 44}, {1, 44}, {1, 40},
                                                  {2, 40}, {2, 36}, {1, 36}, {1, 32}};
  EXPECT_EQ(Steps(steps.begin(), steps.begin() + 8), first);
  EXPECT_EQ(steps[22], (std::pair<int, int>{1, 4}));  // count 1
  EXPECT_EQ(steps[23], (std::pair<int, int>{1, 0}));  // ended: standing
  EXPECT_EQ(sprite.pose, POSE_IDLE);
}

TEST_F(PlayerBattleTest, AttackWalksThenWindsUpAndStrikes) {
  sprite.StartPose(POSE_ATTACK, 40, 0, 0);
  const auto steps = Run(40);
  EXPECT_EQ(steps[19], (std::pair<int, int>{1, -40}));  // count 20: the walk's end
  EXPECT_EQ(steps[20], (std::pair<int, int>{4, -40}));  // count 19
  EXPECT_EQ(steps[29], (std::pair<int, int>{4, -40}));  // count 10
  EXPECT_EQ(steps[30], (std::pair<int, int>{5, -40}));  // count 9
  EXPECT_EQ(steps[38], (std::pair<int, int>{5, -40}));  // count 1
  EXPECT_EQ(steps[39], (std::pair<int, int>{1, 0}));

  sprite.StartPose(POSE_RETURN, 20, -40, 0);
  const auto back = Run(20);
  EXPECT_EQ(back[0], (std::pair<int, int>{17, -40}));  // count 19: (19 / 2) mod 4 = 1
  EXPECT_EQ(back[1], (std::pair<int, int>{17, -36}));
  EXPECT_EQ(back[18], (std::pair<int, int>{16, -4}));
  EXPECT_EQ(back[19], (std::pair<int, int>{1, 0}));
}

TEST_F(PlayerBattleTest, HitShakesThenAFallenMemberLies) {
  member.hp = 0;
  sprite.StartPose(POSE_HIT, 18, 4, 0);
  const auto steps = Run(18);
  for (int i = 0; i < 17; ++i) {
    const int count = 17 - i;
    EXPECT_EQ(steps[i], (std::pair<int, int>{11, count > 12 ? 4 : count >= 7 ? 0 : 2})) << count;
  }
  EXPECT_EQ(steps[17], (std::pair<int, int>{13, 0}));
}

TEST_F(PlayerBattleTest, VictoryAlternatesEveryTwentyFramesWithoutEnd) {
  sprite.StartPose(POSE_VICTORY, -1, 0, 0);
  std::vector<int> runs;  // lengths of the runs of one frame
  int last = -1;
  for (int i = 0; i < 200; ++i) {
    sprite.Update();
    if (sprite.frameIndex != last) runs.push_back(0);
    ++runs.back();
    last = sprite.frameIndex;
    ASSERT_TRUE(sprite.frameIndex == 10 || sprite.frameIndex == 1);
  }
  // Counts -2 to -20 show 1 (their floored place in 40 is 38 to 20), then
  // 20 frames of 10 and 20 of 1 in turn.
  EXPECT_EQ(runs, (std::vector<int>{19, 20, 20, 20, 20, 20, 20, 20, 20, 20, 1}));
  EXPECT_EQ(sprite.pose, POSE_VICTORY);
}

TEST_F(PlayerBattleTest, RunAwayLeavesTheMemberOffTheScreen) {
  sprite.StartPose(POSE_RUN_AWAY, 64, 0, 0);
  const auto steps = Run(64);
  EXPECT_EQ(steps[62], (std::pair<int, int>{16, 124}));  // count 1
  EXPECT_EQ(steps[63], (std::pair<int, int>{1, 128}));   // count 0: the last step, kept
}

TEST_F(PlayerBattleTest, StandingFrameFollowsTheMember) {
  const struct {
    int hp, defending, queued, escape;
    std::vector<int> frames;  // over the first 13 updates
  } cases[] = {
      {10, 0, 0, 0, std::vector<int>(13, 1)},
      {10, 1, 0, 0, std::vector<int>(13, 3)},
      {10, 0, 1, 0, std::vector<int>(13, 3)},
      {0, 1, 0, 0, std::vector<int>(13, 13)},
      {0, 0, 0, 1, std::vector<int>(13, 13)},
      // The run in place by (counter / 6) mod 4: counters 1-5, 6-11, 12-13.
      {10, 0, 0, 1, {16, 16, 16, 16, 16, 17, 17, 17, 17, 17, 17, 16, 16}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hp * 1000 + c.defending * 100 + c.queued * 10 + c.escape);
    CPlayerBattle fresh;
    fresh.owner = &member;
    member.hp = c.hp;
    member.defending = c.defending;
    fresh.queuedAttack = c.queued;
    fresh.SetEscapeAttempt(c.escape);
    fresh.offsetX = 7;
    std::vector<int> frames;
    for (int i = 0; i < 13; ++i) {
      fresh.Update();
      frames.push_back(fresh.frameIndex);
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(fresh.offsetX, 0);
  }
}

TEST_F(PlayerBattleTest, NumberIsCentredOverTheSprite) {
  const struct {
    int value, x;
  } cases[] = {{7, 239}, {42, 235}, {999, 231}, {1234, 228}, {123456789, 212}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    sprite.ShowNumber(c.value, kWhite);
    EXPECT_EQ(sprite.number.baseX, c.x);
    EXPECT_EQ(sprite.number.baseY, 60);
  }
}

TEST_F(PlayerBattleTest, GaugeFillTimesBySpeedSetting) {
  // From empty: period 6 (the default) 600 frames, 10: 1000, 2: 200, 1: 100,
  // and setting 4 steps by 2 every frame, 50.
  const struct {
    int speed, frames;
  } cases[] = {{0, 600}, {1, 1000}, {2, 200}, {3, 100}, {4, 50}, {7, 600}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    CPlayerBattle fresh;
    int gauge = 0;
    int frames = 0;
    while (gauge < 100 && frames < 2000) {
      fresh.Update();
      gauge = fresh.AddAtbWithSpeed(gauge, c.speed);
      ++frames;
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(fresh.AddAtbWithSpeed(99, 4), 100);
  }
}

}  // namespace
