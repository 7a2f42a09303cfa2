#include "GameEntry.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "CFrameRate.h"
#include "ErrorMessage.h"
#include "graphics/screen_images.h"
#include "software_renderer/soft_image.h"
#include "support/library_session.h"

namespace {

TEST(GameEntryTest, WindowScaleOfTheSetting) {
  const struct {
    int setting;
    double scale;
  } cases[] = {{1, 1.0}, {2, 4.0}, {3, 0.5}, {0, 2.0}, {4, 2.0}, {-1, 2.0}};
  for (const auto& c : cases) EXPECT_EQ(WindowScaleForSetting(c.setting), c.scale) << c.setting;
}

TEST(GameEntryTest, ProductVersionOfTheGameExecutable) {
  char version[kVersionTextSize];
  memset(version, 'x', sizeof version);
  ASSERT_EQ(ReadProductVersion(GAME_EXECUTABLE, version), 1);
  EXPECT_STREQ(version, "1.00");
}

TEST(GameEntryTest, NoVersionResourceLeavesTheDefaultText) {
  char version[kVersionTextSize];
  // This test program carries no version resource.
  EXPECT_EQ(GetProductVersion(version), 0);
  EXPECT_STREQ(version, "0.0.0.0");
  EXPECT_EQ(ReadProductVersion("no such file.exe", version), 0);
  EXPECT_STREQ(version, "0.0.0.0");
}

int WriteFatalText(const char* text) {
  FILE* file = fopen("fatal_text.txt", "wb");
  if (file != nullptr) {
    fputs(text, file);
    fclose(file);
  }
  return 1;
}

TEST(GameEntryTest, FatalErrorShowsItsTextAndEndsWithMinusOne) {
  if (ChildRole() == "fatal") {
    SetErrorMessageHandler(&WriteFatalText);
    ShowFatalError("%s", "バージョン番号取得失敗");
  }
  if (ChildRole() == "long") {
    SetErrorMessageHandler(&WriteFatalText);
    ShowFatalError("%s", std::string(300, 'a').c_str());
  }
  const struct {
    const char* role;
    std::string text;
  } cases[] = {{"fatal", "バージョン番号取得失敗"}, {"long", std::string(127, 'a')}};
  for (const auto& c : cases) {
    remove("fatal_text.txt");
    EXPECT_EQ(RunChildTest("GameEntryTest.FatalErrorShowsItsTextAndEndsWithMinusOne", c.role,
                           60000),
              -1)
        << c.role;
    FILE* file = fopen("fatal_text.txt", "rb");
    ASSERT_NE(file, nullptr) << c.role;
    char text[512] = {};
    fread(text, 1, sizeof text - 1, file);
    fclose(file);
    EXPECT_EQ(std::string(text), c.text) << c.role;
  }
}

TEST(FrameRateTest, InitialValuesAndInterval) {
  CFrameRate rate;
  rate.Init(10000.0f);
  EXPECT_EQ(rate.interval, 0) << "the loop is never paced";
  EXPECT_EQ(rate.measuringPeriod, 800);
  EXPECT_EQ(rate.rate, 0.0f);
  EXPECT_EQ(rate.textColour, 0xFFFFFFFFu);
  rate.Init(60.0f);
  EXPECT_EQ(rate.interval, 16);
}

class FrameRateDrawTest : public StartedLibraryTest {};

TEST_F(FrameRateDrawTest, MeasuresOverThePeriodAndDrawsTheRateAtTheCorner) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ClearDrawTarget(nullptr);
  CFrameRate rate;
  rate.Init(10000.0f);
  // Nine frames counted; this one is the tenth, 1000 ms after the last
  // measurement.
  rate.frameCount = 9.0f;
  rate.lastMeasurementTime = 0;
  rate.lastFrameTime = 1000;
  EXPECT_EQ(rate.Update(), 10.0f);
  EXPECT_EQ(rate.frameCount, 0.0f);
  EXPECT_EQ(rate.lastMeasurementTime, 1000);
  EXPECT_LE(rate.wait, 0) << "an interval of 0 never waits";
  // Within the period nothing is measured.
  rate.lastMeasurementTime = rate.lastFrameTime;
  EXPECT_EQ(rate.Update(), 10.0f);
  EXPECT_EQ(rate.frameCount, 1.0f);
  // "[10.0]" in white in the top left corner, nothing further down.
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  auto pixel = [screen](int x, int y) {
    uint32_t v;
    memcpy(&v, screen->pixels + y * screen->body->pitch + x * 4, 4);
    return v & 0xFFFFFF;
  };
  int white = 0;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 40; ++x) white += pixel(x, y) == 0xFFFFFF;
  }
  EXPECT_GT(white, 10);
  for (int y = 20; y < 240; y += 7) {
    for (int x = 0; x < 320; x += 5) ASSERT_EQ(pixel(x, y), 0u) << x << "," << y;
  }
}

}  // namespace
