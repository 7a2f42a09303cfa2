#include "CEffect.h"

#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

#include "CDrawable.h"
#include "CGame.h"
#include "GameEntry.h"
#include "game_fixture.h"
#include "graphics/screen_images.h"
#include "software_renderer/soft_image.h"
#include "support/blit_oracle.h"
#include "support/library_session.h"

namespace {

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

Rgb BackScreenPixel(int x, int y) {
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  uint32_t v;
  memcpy(&v, screen->pixels + y * screen->body->pitch + x * 4, 4);
  return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
          static_cast<int>(v & 0xFF)};
}

// The fade colour filled over a pixel in alpha blend mode at the alpha, by
// the library's own model of its filled boxes.
Rgb AlphaOver(Rgb under, Rgb colour, int alpha) {
  uint32_t pixel = 0xFF000000u | under.red << 16 | under.green << 8 | under.blue;
  SOFTIMG image{};
  CreateSoftImg(&image, 1, 1, 4, 0, 1, 0, 0, 0, &pixel);
  OracleSettings settings{};
  settings.drawArea = {0, 0, 1, 1};
  settings.mode = 1;
  settings.param = alpha;
  settings.brightRed = settings.brightGreen = settings.brightBlue = 255;
  const IntRect all = {0, 0, 1, 1};
  OracleFillRect(&image, &all, ComposeColorCode(colour.red, colour.green, colour.blue), settings);
  ReleaseSoftImg(&image);
  return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
          static_cast<int>(pixel & 0xFF)};
}

// A fade's alpha with c frames left of t: a fade-in falls from 255, a
// fade-out rises from 0.
int FadeAlpha(bool fadeIn, int c, int t) {
  const int d = static_cast<int>(c * 255.0 / t);
  return fadeIn ? d : 255 - d;
}

int SolidGraph(int width, int height, Rgb colour) {
  const int graph = CreateEmptyGraph(width, height, 0);
  SelectDrawTarget(graph);
  PaintBox(0, 0, width, height, ComposeColorCode(colour.red, colour.green, colour.blue), 1);
  SelectDrawTarget(-2);
  return graph;
}

class EffectTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }
};

TEST_F(EffectTest, FadeAlphaWorkedExample) {
  // 29 of 30 frames left: 29 * 255 / 30 = 246.5, truncated.
  EXPECT_EQ(FadeAlpha(true, 30, 30), 255);
  EXPECT_EQ(FadeAlpha(true, 29, 30), 246);
  EXPECT_EQ(FadeAlpha(false, 29, 30), 9);
}

TEST_F(EffectTest, FadeInOverTheFieldFrameByFrame) {
  CGame game;
  game.SetMode();
  const Rgb field = {40, 80, 120};
  const Rgb colour = {200, 100, 50};
  // A script starts the fade during the update of frame k.
  game.effect.StartFadeIn(colour.red, colour.green, colour.blue, 30);
  game.waitState = WAIT_EFFECT;
  for (int frame = 0; frame <= 30; ++frame) {
    if (frame > 0) game.Update();
    ClearDrawTarget(nullptr);
    PaintBox(0, 0, 160, 240, ComposeColorCode(field.red, field.green, field.blue), 1);
    game.Draw();
    const int left = 30 - frame;
    if (left == 0) {
      EXPECT_EQ(BackScreenPixel(10, 10), field) << "gone in frame k + 30";
      EXPECT_EQ(BackScreenPixel(200, 10), (Rgb{0, 0, 0}));
      EXPECT_EQ(game.waitState, WAIT_NONE);
      continue;
    }
    EXPECT_EQ(game.waitState, WAIT_EFFECT) << frame;
    const int alpha = FadeAlpha(true, left, 30);
    EXPECT_EQ(BackScreenPixel(10, 10), AlphaOver(field, colour, alpha)) << "frame k + " << frame;
    EXPECT_EQ(BackScreenPixel(319, 239), AlphaOver({0, 0, 0}, colour, alpha)) << frame;
  }
  EXPECT_EQ(BackScreenPixel(10, 10), field);
}

TEST_F(EffectTest, FadeOutRisesFromNothingAndLeavesNoBox) {
  CGame game;
  game.SetMode();
  const Rgb field = {40, 80, 120};
  game.effect.StartFadeOut(255, 255, 255, 10);
  for (int frame = 0; frame <= 10; ++frame) {
    if (frame > 0) game.Update();
    ClearDrawTarget(nullptr);
    PaintBox(0, 0, 320, 240, ComposeColorCode(field.red, field.green, field.blue), 1);
    game.Draw();
    const int left = 10 - frame;
    const Rgb expected =
        left == 0 ? field : AlphaOver(field, {255, 255, 255}, FadeAlpha(false, left, 10));
    EXPECT_EQ(BackScreenPixel(100, 100), expected) << frame;
  }
}

TEST_F(EffectTest, CampAndBattleDrawNoFadeBox) {
  CGame game;
  game.SetMode();
  game.effect.StartFadeIn(255, 255, 255, 30);
  for (int mode : {MODE_CAMP, MODE_BATTLE}) {
    game.PushMode(mode);
    ClearDrawTarget(nullptr);
    game.Draw();
    EXPECT_EQ(BackScreenPixel(5, 5), (Rgb{0, 0, 0})) << mode;
    game.PopMode();
  }
  ClearDrawTarget(nullptr);
  game.Draw();
  EXPECT_EQ(BackScreenPixel(5, 5), (Rgb{255, 255, 255}));
}

TEST_F(EffectTest, ShakeOffsetFollowsTheSineOfTheCounter) {
  CEffect effect;
  // Vertical, amplitude 4, period 2: (int)(sin(c / 2) * 4), from -3 to 3.
  effect.StartShake(0, 20, 2.0, 4);
  EXPECT_EQ(effect.type, EFFECT_SHAKE_V);
  int low = 0, high = 0;
  while (effect.IsRunning()) {
    effect.Draw();
    const int expected = static_cast<int>(sin(effect.counter / 2.0) * 4);
    EXPECT_EQ(effect.offset, expected) << effect.counter;
    EXPECT_EQ(effect.ShakeY(), expected);
    EXPECT_EQ(effect.ShakeX(), 0);
    low = std::min(low, effect.offset);
    high = std::max(high, effect.offset);
    effect.CountDown();
  }
  EXPECT_EQ(low, -3);
  EXPECT_EQ(high, 3);
  effect.StartShake(1, 5, 0.0, 4);
  EXPECT_EQ(effect.type, EFFECT_SHAKE_H);
  EXPECT_EQ(effect.period, 0.1) << "period 0 counts as 0.1";
  effect.Draw();
  EXPECT_EQ(effect.ShakeX(), static_cast<int>(sin(5 / 0.1) * 4));
  EXPECT_EQ(effect.ShakeY(), 0);
}

TEST_F(EffectTest, ShakeOffsetEndsWithTheShakeOrTheNextEffect) {
  CEffect effect;
  effect.StartShake(1, 2, 0.5, 10);
  effect.Draw();
  ASSERT_NE(effect.offset, 0);
  effect.CountDown();
  effect.CountDown();
  EXPECT_EQ(effect.offset, 0) << "no field drawing needed to end the offset";
  effect.StartShake(1, 8, 0.5, 10);
  effect.Draw();
  ASSERT_NE(effect.offset, 0);
  effect.StartFadeIn(0, 0, 0, 8);
  EXPECT_EQ(effect.offset, 0);
  EXPECT_EQ(effect.ShakeX(), 0);
}

TEST_F(EffectTest, DrawingFunctionsAddTheShakeOffset) {
  CEffect& effect = CGame::GetInstance()->effect;
  const int graph = SolidGraph(4, 4, {255, 255, 255});
  const struct {
    int type;
    int dx, dy;
  } cases[] = {{EFFECT_NONE, 0, 0},    {EFFECT_FADEIN, 0, 0},  {EFFECT_FADEOUT, 0, 0},
               {EFFECT_MOSAIC, 0, 0},  {EFFECT_SHAKE_H, 3, 0}, {EFFECT_SHAKE_V, 0, 3}};
  for (const auto& c : cases) {
    effect.type = c.type;
    effect.offset = 3;
    for (int call = 0; call < 3; ++call) {
      ClearDrawTarget(nullptr);
      int result = -1;
      if (call == 0) result = PutGraphWithShake(10, 10, graph, 0);
      if (call == 1) result = PutGraphStretchedWithShake(10, 10, 14, 14, graph);
      if (call == 2) result = PutGraphPartWithShake(10, 10, 0, 0, 4, 4, graph, 0);
      EXPECT_EQ(result, 0);
      EXPECT_EQ(BackScreenPixel(10 + c.dx, 10 + c.dy), (Rgb{255, 255, 255}))
          << c.type << " call " << call;
      EXPECT_EQ(BackScreenPixel(13 + c.dx, 13 + c.dy), (Rgb{255, 255, 255}));
      if (c.dx + c.dy != 0) {
        EXPECT_EQ(BackScreenPixel(10, 10), (Rgb{0, 0, 0}));
      }
      EXPECT_EQ(BackScreenPixel(14 + c.dx, 14 + c.dy), (Rgb{0, 0, 0}));
    }
  }
  EXPECT_EQ(PutGraphWithShake(0, 0, -1, 0), -1) << "the library's result";
  effect.type = EFFECT_NONE;
  effect.offset = 0;
  RemoveGraph(graph, 0);
}

// The lengths of the runs of equal pixels along a row of the back screen.
std::vector<int> RowRuns(int y) {
  std::vector<int> runs;
  Rgb last = BackScreenPixel(0, y);
  int length = 1;
  for (int x = 1; x < 320; ++x) {
    const Rgb pixel = BackScreenPixel(x, y);
    if (pixel == last) {
      ++length;
    } else {
      runs.push_back(length);
      last = pixel;
      length = 1;
    }
  }
  runs.push_back(length);
  return runs;
}

class MosaicTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    effect_.screen = CreateEmptyGraph(320, 240, 0);
    ASSERT_NE(effect_.screen, -1);
    effect_.StartMosaic();
  }
  // One frame at the counter: the field (a different colour in every column)
  // goes into the effect screen, then the mosaic onto the back screen.
  void DrawFrame(uint32_t counter) {
    effect_.counter = counter;
    ClearDrawTarget(nullptr);
    effect_.BeginMosaicFrame();
    ASSERT_EQ(GetDrawTarget(), effect_.screen);
    for (int x = 0; x < 320; ++x) {
      PaintBox(x, 0, x + 1, 240, ComposeColorCode(x & 0xFF, x >> 8 ? 200 : 100, 255 - (x & 0xFF)), 1);
    }
    effect_.DrawMosaic();
    EXPECT_EQ(GetDrawTarget(), -2);
  }
  CEffect effect_;
};

TEST_F(MosaicTest, BlocksFollowTheCounter) {
  // Counter, reduced width: 320 / (b + 2) with b = 35 - c from 34 down to 15,
  // b = c + 6 from 14 down to 5.
  const struct {
    uint32_t counter;
    int width;
  } cases[] = {{34, 106}, {33, 80}, {20, 320 / 17}, {15, 14}, {14, 14}, {10, 320 / 18}, {5, 24}};
  for (const auto& c : cases) {
    DrawFrame(c.counter);
    const std::vector<int> runs = RowRuns(120);
    EXPECT_EQ(static_cast<int>(runs.size()), c.width) << "counter " << c.counter;
    // Blown up to 321 pixels: every block but the cut last is 321 / width wide.
    const int block = 321 / c.width;
    for (size_t i = 0; i + 1 < runs.size(); ++i) {
      EXPECT_GE(runs[i], block) << "counter " << c.counter << " run " << i;
      EXPECT_LE(runs[i], block + 1) << "counter " << c.counter << " run " << i;
    }
  }
  EXPECT_EQ(GetDrawFilterMode(), 0) << "nearest stays chosen";
}

TEST_F(MosaicTest, CounterThirtyFourGivesBlocksOfAboutThreePixels) {
  DrawFrame(34);
  for (int y : {0, 100, 239}) {
    const std::vector<int> runs = RowRuns(y);
    for (size_t i = 0; i + 1 < runs.size(); ++i) EXPECT_TRUE(runs[i] == 3 || runs[i] == 4);
  }
  // 240 / 3 = 80 rows of blocks: a column changes colour only between blocks,
  // and the field's columns have one colour, so a column is one colour.
  EXPECT_EQ(BackScreenPixel(50, 0), BackScreenPixel(50, 239));
}

TEST_F(MosaicTest, LastFourFramesAreBlack) {
  for (uint32_t counter = 4; counter >= 1; --counter) {
    DrawFrame(counter);
    for (int x : {0, 100, 319}) {
      for (int y : {0, 120, 239}) EXPECT_EQ(BackScreenPixel(x, y), (Rgb{0, 0, 0})) << counter;
    }
  }
}

TEST_F(MosaicTest, NothingWhenIdleOrAnotherEffect) {
  effect_.StartFadeIn(0, 0, 0, 10);
  ClearDrawTarget(nullptr);
  effect_.BeginMosaicFrame();
  EXPECT_EQ(GetDrawTarget(), -2);
  PaintBox(0, 0, 320, 240, ComposeColorCode(9, 9, 9), 1);
  effect_.DrawMosaic();
  EXPECT_EQ(BackScreenPixel(7, 7), (Rgb{9, 9, 9}));
}

TEST_F(EffectTest, EncounterRunsThirtyFourMosaicFramesThroughTheFrameLoop) {
  // The battle that follows finds no tables here; its boxes must not wait.
  ErrorMessageCapture errors;
  CGame game;
  game.SetMode();
  game.StartEncount(3);
  int blackFrames = 0;
  for (int frame = 1; frame <= 34; ++frame) {
    StepGameFrame(game);
    EXPECT_EQ(GetDrawTarget(), -2) << frame;
    if (game.effect.counter <= 4 && game.effect.counter >= 1) {
      ++blackFrames;
      EXPECT_EQ(BackScreenPixel(160, 120), (Rgb{0, 0, 0}));
    }
    EXPECT_EQ(game.waitState, frame < 34 ? WAIT_BATTLE : WAIT_NONE) << frame;
  }
  EXPECT_EQ(blackFrames, 4);
  EXPECT_FALSE(game.effect.IsRunning());
  EXPECT_EQ(game.GetMode(), MODE_BATTLE) << "the battle starts when the mosaic ends";
}

}  // namespace
