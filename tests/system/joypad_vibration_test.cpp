#include "system/joypad_vibration.h"

#include <gtest/gtest.h>

namespace {

JoypadVibration Playing(int power, int duration, int start) {
  return JoypadVibration{1, power, duration, 0, start, 0, 0};
}

TEST(JoypadVibrationTest, PowerAboveHalfAddsTheSineEffect) {
  struct Case {
    int playing;
    int power;
    int active;
    int constantForce;
    int sine;
  };
  const Case cases[] = {
      {1, 5000, 1, 1, 0}, {1, 5001, 1, 1, 1}, {1, 10000, 1, 1, 1},
      {0, 10000, 1, 0, 0}, {1, 10000, 0, 0, 0}, {1, 0, 1, 1, 0},
  };
  for (const Case& c : cases) {
    JoypadVibration vibration = Playing(c.power, -1, 0);
    vibration.playing = c.playing;
    const JoypadEffectPlan plan = PlanJoypadEffects(vibration, c.active);
    EXPECT_EQ(plan.constantForce, c.constantForce) << c.playing << " " << c.power << " " << c.active;
    EXPECT_EQ(plan.sine, c.sine) << c.playing << " " << c.power << " " << c.active;
  }
}

TEST(JoypadVibrationTest, TimedVibrationEndsOnceItsDurationHasPassed) {
  JoypadVibration vibration = Playing(10000, 1000, 5000);
  const int passes[] = {5300, 5600, 5999};
  for (int now : passes) EXPECT_EQ(AdvanceJoypadVibration(&vibration, now), 0) << now;
  EXPECT_EQ(AdvanceJoypadVibration(&vibration, 6000), 1);
  EXPECT_EQ(vibration.elapsed, 1000);
}

TEST(JoypadVibrationTest, AClockThatWentBackAddsNothing) {
  JoypadVibration vibration = Playing(10000, 1000, 5000);
  EXPECT_EQ(AdvanceJoypadVibration(&vibration, 5400), 0);
  EXPECT_EQ(AdvanceJoypadVibration(&vibration, 100), 0);
  EXPECT_EQ(vibration.elapsed, 400);
  EXPECT_EQ(AdvanceJoypadVibration(&vibration, 700), 1);
  EXPECT_EQ(vibration.elapsed, 1000);
}

TEST(JoypadVibrationTest, UntimedOrStoppedVibrationCountsNothing) {
  JoypadVibration untimed = Playing(10000, -1, 0);
  EXPECT_EQ(AdvanceJoypadVibration(&untimed, 1000000), 0);
  EXPECT_EQ(untimed.elapsed, 0);
  JoypadVibration stopped = Playing(3000, 10, 0);
  StopVibration(&stopped);
  EXPECT_EQ(stopped.playing, 0);
  EXPECT_EQ(stopped.power, kVibrationFullPower);
  EXPECT_EQ(AdvanceJoypadVibration(&stopped, 1000), 0);
  EXPECT_EQ(stopped.elapsed, 0);
}

}  // namespace
