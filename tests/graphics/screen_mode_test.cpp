#include "graphics/screen_mode.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <ostream>
#include <vector>

#include "graphics/draw_state.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "system/system_state.h"

// Found by argument lookup from the test macros, so in the type's namespace.
bool operator==(const ScreenMode& a, const ScreenMode& b) {
  return a.width == b.width && a.height == b.height && a.colorBits == b.colorBits &&
         a.refreshRate == b.refreshRate;
}

std::ostream& operator<<(std::ostream& out, const ScreenMode& m) {
  return out << m.width << "x" << m.height << "x" << m.colorBits << "@" << m.refreshRate;
}

namespace {

// The modes of 16 bits or more, in the order the platform enumerates them.
std::vector<DisplayModeInfo> PlatformModes() {
  std::vector<DisplayModeInfo> modes;
  for (DWORD i = 0;; ++i) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, i, &mode)) break;
    if (mode.dmBitsPerPel < 16) continue;
    modes.push_back({static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight),
                     static_cast<int>(mode.dmBitsPerPel),
                     static_cast<int>(mode.dmDisplayFrequency)});
  }
  return modes;
}

TEST(DisplayModeListTest, ListsThePlatformModesOfSixteenBitsOrMore) {
  const std::vector<DisplayModeInfo> expected = PlatformModes();
  for (const DisplayModeInfo& m : expected) {
    std::printf("mode %d x %d x %d @ %d\n", m.width, m.height, m.colorBits, m.refreshRate);
  }
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(CountDisplayModes(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    DisplayModeInfo out = {};
    EXPECT_EQ(FetchDisplayMode(&out, static_cast<int>(i)), &out);
    EXPECT_EQ(out.width, expected[i].width) << i;
    EXPECT_EQ(out.height, expected[i].height) << i;
    EXPECT_EQ(out.colorBits, expected[i].colorBits) << i;
    EXPECT_EQ(out.refreshRate, expected[i].refreshRate) << i;
    EXPECT_EQ(IsDisplayModeAvailable(out.width, out.height, out.colorBits), 1);
  }
  for (int index : {-1, static_cast<int>(expected.size())}) {
    DisplayModeInfo out = {};
    FetchDisplayMode(&out, index);
    EXPECT_EQ(out.width, -1);
    EXPECT_EQ(out.height, -1);
    EXPECT_EQ(out.colorBits, -1);
    EXPECT_EQ(out.refreshRate, -1);
  }
  EXPECT_EQ(IsDisplayModeAvailable(12345, 17, 32), 0);
  // A mode of the list with other bits is not available.
  EXPECT_EQ(IsDisplayModeAvailable(expected[0].width, expected[0].height, 24), 0);
  // The list is built again after it was freed.
  FreeDisplayModeList();
  EXPECT_EQ(CountDisplayModes(), static_cast<int>(expected.size()));
}

// A set-up that works only for one mode and notes every attempt.
struct FakeSetup {
  static std::vector<ScreenMode> attempts;
  static ScreenMode working;
  static int Try(const ScreenMode& mode) {
    attempts.push_back(mode);
    return mode == working ? 0 : -1;
  }
};
std::vector<ScreenMode> FakeSetup::attempts;
ScreenMode FakeSetup::working;

TEST(ScreenModeFallbackTest, FallbacksRunInOrderUntilOneSetUpWorks) {
  const ScreenMode old = {800, 600, 32, 60};
  const ScreenMode last = {640, 480, 16, 0};
  const ScreenMode none = {0, 0, 0, 0};
  struct Case {
    const char* name;
    ScreenMode target;
    ScreenMode working;
    int result;
    std::vector<ScreenMode> attempts;
    int emulation;
    int oldEmulation = 0;
  } const cases[] = {
      {"target works", {1024, 768, 32, 60}, {1024, 768, 32, 60}, 0, {{1024, 768, 32, 60}}, 0},
      {"320 x 240 as 640 x 480",
       {320, 240, 32, 60},
       {640, 480, 32, 60},
       0,
       {{320, 240, 32, 60}, {640, 480, 32, 60}},
       1},
      {"old mode", {1024, 768, 32, 60}, old, 0, {{1024, 768, 32, 60}, old}, 0},
      {"old mode with its emulation",
       {1024, 768, 32, 60},
       old,
       0,
       {{1024, 768, 32, 60}, old},
       1,
       1},
      {"320 x 240 back to the old mode",
       {320, 240, 32, 60},
       old,
       0,
       {{320, 240, 32, 60}, {640, 480, 32, 60}, old},
       0},
      {"last resort", {1024, 768, 32, 60}, last, 0, {{1024, 768, 32, 60}, old, last}, 0},
      {"320 x 240 to the last resort",
       {320, 240, 32, 60},
       last,
       0,
       {{320, 240, 32, 60}, {640, 480, 32, 60}, old, last},
       0},
      {"nothing works", {1024, 768, 32, 60}, none, -1, {{1024, 768, 32, 60}, old, last}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GetScreenSettings().emulation320x240Active = 0;
    FakeSetup::attempts.clear();
    FakeSetup::working = c.working;
    EXPECT_EQ(SetUpWithFallbacks(c.target, old, c.oldEmulation, FakeSetup::Try), c.result);
    EXPECT_EQ(FakeSetup::attempts, c.attempts);
    EXPECT_EQ(GetScreenSettings().emulation320x240Active, c.emulation);
  }
  GetScreenSettings().emulation320x240Active = 0;
}

TEST(ScreenModeFallbackTest, MinusTwoOnlyForAFallBackToTheLastResortFromAnotherMode) {
  const ScreenMode last = {640, 480, 16, 0};
  struct Case {
    ScreenMode request, old, now;
    int result;
  } const cases[] = {
      {{800, 600, 32, 60}, {1024, 768, 32, 60}, {800, 600, 32, 60}, 0},
      {last, {1024, 768, 32, 60}, last, 0},  // asked for and got
      {{800, 600, 32, 60}, {1024, 768, 32, 60}, last, -2},
      {{800, 600, 32, 60}, last, last, -1},                                // it was the mode before
      {{800, 600, 32, 60}, {1024, 768, 32, 60}, {1024, 768, 32, 60}, -1},  // back to the old
      {{800, 600, 32, 60}, {1024, 768, 32, 60}, {640, 480, 16, 60}, -1},   // not at rate 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScreenModeChangeResult(c.request, c.old, c.now), c.result)
        << c.request << " from " << c.old << " to " << c.now;
  }
}

// Full screen on a display that offers one mode: every other request falls
// back to it.
class FullScreenModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<DisplayModeInfo> modes = PlatformModes();
    ASSERT_FALSE(modes.empty());
    desktop_ = {modes[0].width, modes[0].height, modes[0].colorBits, modes[0].refreshRate};
    if (IsDisplayModeAvailable(800, 600, 32)) GTEST_SKIP() << "the display offers 800 x 600";
    ResetWindowSettings();
    SetMainWindowTitle(UniqueWindowTitle("FullScreenMode").c_str());
    EnableHardwareRender(0);
    GetSystemState().settings.windowMode = 0;
    SetScreenMode(desktop_.width, desktop_.height, desktop_.colorBits, desktop_.refreshRate);
    ASSERT_EQ(InitLibrary(), 0);
    GetSystemState().run.active = 1;
    started_ = true;
  }
  void TearDown() override {
    if (started_) EndLibrary();
    ResetWindowSettings();
  }
  ScreenMode Current() const {
    const ScreenSettings& s = GetScreenSettings();
    return {s.width, s.height, s.colorBits, s.refreshRate};
  }
  ScreenMode desktop_ = {};
  bool started_ = false;
};

TEST_F(FullScreenModeTest, AModeTheDisplayLacksFallsBackToTheOldOne) {
  EXPECT_EQ(Current(), desktop_);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  EXPECT_EQ(SetScreenMode(800, 600, 32, 60), -1);
  EXPECT_EQ(Current(), desktop_);
  EXPECT_EQ(GetScreenSettings().graphicsSetUp, 1);
  EXPECT_EQ(GetDrawTarget(), -4);
  // 320 x 240 becomes 640 x 480 with the emulation, which fails too.
  EXPECT_EQ(SetScreenMode(320, 240, 32, 60), -1);
  EXPECT_EQ(Current(), desktop_);
  EXPECT_EQ(GetScreenSettings().emulation320x240Active, 0);
  // Refused before any change.
  EXPECT_EQ(SetScreenMode(320, 240, 24, 60), -1);
  EXPECT_EQ(SetScreenMode(0, 240, 32, 0), -1);
  EXPECT_EQ(Current(), desktop_);
}

class WindowScreenModeTest : public StartedLibraryTest {};

TEST_F(WindowScreenModeTest, AModeChangeCarriesTheDefaultFontsSizeAndThickness) {
  ASSERT_EQ(SetDefaultFontSize(11), 0);
  ASSERT_EQ(SetDefaultFontThickness(1), 0);
  ASSERT_EQ(SetScreenMode(640, 480, 32, 60), 0);
  const int font = QueryDefaultFontHandle();
  ASSERT_EQ(IsValidFontHandle(font), 1);
  int size = 0, thickness = 0;
  ASSERT_EQ(GetFontHandleInfo(nullptr, &size, &thickness, font), 0);
  EXPECT_EQ(size, 11);
  EXPECT_EQ(thickness, 1);
  // A change to the same mode changes nothing.
  EXPECT_EQ(SetScreenMode(640, 480, 32, 60), 0);
  EXPECT_EQ(QueryDefaultFontHandle(), font);
}

TEST(ScreenStateTest, TheEmulatedSizeIsReportedWhileTheEmulationIsRequested) {
  // Before start-up: only the recorded mode counts.
  ResetWindowSettings();
  GetScreenSettings().emulation320x240Active = 0;
  ASSERT_EQ(SetScreenMode(640, 480, 32, 60), 0);
  int w = 0, h = 0, bits = 0;
  QueryScreenState(&w, &h, &bits);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(bits, 32);
  // Requested, not yet active: the program must draw 320 x 240.
  EnableScreen320x240Emulation(1);
  QueryScreenState(&w, &h, nullptr);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  int modeW = 0, modeH = 0;
  GetScreenModeSize(&modeW, &modeH);
  EXPECT_EQ(modeW, 640);
  EXPECT_EQ(modeH, 480);
  EnableScreen320x240Emulation(0);
  QueryScreenState(&w, &h, nullptr);
  EXPECT_EQ(w, 640);
  GetScreenSettings().emulation320x240Active = 1;
  QueryScreenState(&w, &h, nullptr);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  GetScreenSettings().emulation320x240Active = 0;
  GetScreenSettings() = ScreenSettings{};
  EXPECT_EQ(QueryScreenState(nullptr, nullptr, nullptr), 0);
}

}  // namespace
