#include <ddraw.h>
#include <gtest/gtest.h>

#include <cstring>
#include <windows.h>

#include "Ombrel.h"
#include "direct3d9/direct3d_state.h"
#include "graphics/presentation.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "system/system_state.h"
#include "system/window_mode.h"

namespace {

class VSyncTimingTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }
  void TearDown() override {
    GetScreenSettings().vsyncIntervalMicroseconds = savedInterval_;
    StartedLibraryTest::TearDown();
  }
  // Runs a paced wait right after a wait noted `since` microseconds ago and
  // returns how long it took.
  static int64_t PacedWaitAfter(int64_t interval, int64_t since) {
    ScreenSettings& screen = GetScreenSettings();
    screen.vsyncIntervalMicroseconds = interval;
    const int64_t start = GetTickMicroseconds(0);
    screen.lastVSyncWaitTime = start - since;
    WaitVSyncByTimer();
    return GetTickMicroseconds(0) - start;
  }
  int64_t savedInterval_ = GetScreenSettings().vsyncIntervalMicroseconds;
};

TEST_F(VSyncTimingTest, APacedWaitSleepsUntilTheLimitSinceThePreviousWait) {
  // Not measured: 4000 microseconds; measured: the interval less 3000.
  struct Case {
    int64_t interval;
    int64_t since;
    int64_t atLeast;
  } const cases[] = {{-1, 0, 4000}, {-1, 1500, 2500}, {20000, 0, 17000}, {16667, 10000, 3667}};
  for (const Case& c : cases) {
    const int64_t took = PacedWaitAfter(c.interval, c.since);
    EXPECT_GE(took, c.atLeast) << "interval " << c.interval << ", " << c.since << " since";
    // The wait is noted at its end.
    EXPECT_GE(GetScreenSettings().lastVSyncWaitTime,
              GetTickMicroseconds(0) - took - c.since + c.atLeast);
  }
}

TEST_F(VSyncTimingTest, ALateWaitNotesTheTimeWithoutSleepingToALimit) {
  const int64_t before = GetTickMicroseconds(0);
  const int64_t took = PacedWaitAfter(-1, 1000000);
  EXPECT_GE(GetScreenSettings().lastVSyncWaitTime, before);
  // No sleep to the 4000-microsecond limit came first; a vertical blank is
  // at most one refresh away.
  EXPECT_LT(took, 1000000);
}

TEST_F(VSyncTimingTest, PresentsArePacedOnlyWhileTheWaitIsOn) {
  ScreenSettings& screen = GetScreenSettings();
  EnableVSyncWait(0);
  screen.lastVSyncWaitTime = 12345;
  ASSERT_EQ(PresentScreen(), 0);
  ASSERT_EQ(RefreshScreen(), 0);
  EXPECT_EQ(screen.lastVSyncWaitTime, 12345) << "a present without the wait paced";

  EnableVSyncWait(1);
  screen.vsyncIntervalMicroseconds = -1;
  const int64_t start = GetTickMicroseconds(0);
  screen.lastVSyncWaitTime = start;
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_GE(screen.lastVSyncWaitTime - start, 4000);
}

TEST_F(VSyncTimingTest, TheMeasuredIntervalIsTheSpacingOfTheBlankWaits) {
  IDirectDraw7* directDraw = GetDirectDrawObject();
  if (!directDraw) GTEST_SKIP() << "no DirectDraw object";
  const int64_t start = GetTickMicroseconds(0);
  ASSERT_EQ(MeasureVSyncInterval(), 0);
  const int64_t took = GetTickMicroseconds(0) - start;
  const int64_t interval = GetScreenSettings().vsyncIntervalMicroseconds;
  ASSERT_GT(interval, 0) << "the spacing never settled";
  // At least eleven passes, each with a 5 ms sleep.
  EXPECT_GE(took, 11 * 5000);
  // Timed the same way by the test: a blank wait and a 5 ms sleep a pass.
  directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
  const int64_t from = GetTickMicroseconds(0);
  constexpr int kPasses = 20;
  for (int i = 0; i < kPasses; ++i) {
    directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    Sleep(5);
  }
  const int64_t spacing = (GetTickMicroseconds(0) - from) / kPasses;
  EXPECT_NEAR(static_cast<double>(interval), static_cast<double>(spacing), 3000.0);
}

TEST_F(VSyncTimingTest, TheDirectDrawObjectSwitchesCompositionOffWhenAsked) {
  SystemState& system = GetSystemState();
  Direct3DState& d3d = GetDirect3DState();
  EnableDwmComposition(1);
  d3d.disableDwm = 0;
  ASSERT_EQ(CreateDirectDrawObject(), 0);
  EXPECT_EQ(system.run.dwmCompositionOff, 0);
  d3d.disableDwm = 1;
  ASSERT_EQ(CreateDirectDrawObject(), 0);
  EXPECT_EQ(system.run.dwmCompositionOff, 1);
  EXPECT_NE(GetDirectDrawObject(), nullptr);
  d3d.disableDwm = 0;
  EnableDwmComposition(1);
}

TEST(DirectDrawCapsTest, TheCapabilityRecordIsZeroFilled) {
  unsigned char record[384];
  std::memset(record, 0xAB, sizeof record);
  EXPECT_EQ(QueryDirectDrawCaps(record), record);
  for (int i = 0; i < 380; ++i) ASSERT_EQ(record[i], 0) << i;
  EXPECT_EQ(record[380], 0xAB) << "written past the 380 bytes";
}

}  // namespace
