// The battle's pictures drawn onto the back screen and read back: a member's
// sprite frames cut from their picture, an enemy's picture and its dark
// frames, the time gauge and the background.
#include <direct.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CAtbGauge.h"
#include "CEnemy.h"
#include "CField.h"
#include "CPlayerBattle.h"
#include "CPlayerChar.h"
#include "GameSettings.h"
#include "Ombrel.h"
#include "game_fixture.h"
#include "graphics/screen_images.h"
#include "software_renderer/soft_image.h"
#include "support/image_fixtures.h"
#include "support/library_session.h"

namespace {

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

constexpr Rgb kBlack = {0, 0, 0};
constexpr Rgb kGaugeBar = {210, 210, 210};
constexpr Rgb kGaugeTop = {255, 255, 255};
constexpr Rgb kGaugeFull = {255, 255, 96};

Rgb ScreenPixel(int x, int y) {
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  uint32_t v;
  memcpy(&v, screen->pixels + y * screen->body->pitch + x * 4, 4);
  return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
          static_cast<int>(v & 0xFF)};
}

void WritePng(const std::string& path, int width, int height,
              const std::function<Rgb(int, int)>& pixel) {
  PngFixture png;
  png.width = width;
  png.height = height;
  png.colorType = 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      png.rows.push_back(static_cast<uint8_t>(c.red));
      png.rows.push_back(static_cast<uint8_t>(c.green));
      png.rows.push_back(static_cast<uint8_t>(c.blue));
    }
  }
  const Bytes bytes = EncodePng(png);
  WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

class BattleDrawTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    for (const char* folder : {"fixture", "fixture\\char", "fixture\\enemy", "fixture\\enemy\\graphs",
                               "fixture\\field", "fixture\\graphs", "fixture\\graphs\\system"}) {
      _mkdir(folder);
    }
    SetGameDataFolder("fixture");
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ClearDrawTarget(nullptr);
  }
  void TearDown() override {
    SetGameDataFolder("..\\data");
    StartedLibraryTest::TearDown();
  }
};

TEST_F(BattleDrawTest, MissingPicturesAreReportedWithTheirPath) {
  ErrorMessageCapture errors;
  CPlayerBattle sprite;
  EXPECT_EQ(sprite.Load(3, 3, nullptr), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "画像読み込み失敗 [fixture\\char\\char_battle03.png]");
}

TEST_F(BattleDrawTest, MemberSpriteDrawsTheFrameOfItsPose) {
  // Frame i of the picture is coloured (10 i, 50 + y, 100).
  WritePng("fixture\\char\\char_battle02.png", 24 * kBattleSpriteFrames, 24,
           [](int x, int y) { return Rgb{10 * (x / 24), 50 + y, 100}; });
  CPlayerChar member;
  member.hp = 0;
  CPlayerBattle sprite;
  ASSERT_EQ(sprite.Load(2, 2, &member), 1);
  EXPECT_EQ(sprite.pictureNumber, 2);
  sprite.SetPosition(230, 45);
  sprite.Update();  // fallen: frame 13
  sprite.Draw();
  EXPECT_EQ(ScreenPixel(230, 45), (Rgb{130, 50, 100}));
  EXPECT_EQ(ScreenPixel(253, 68), (Rgb{130, 73, 100}));
  EXPECT_EQ(ScreenPixel(254, 68), kBlack);

  member.hp = 5;
  sprite.StartPose(POSE_ATTACK, 40, 0, 0);
  for (int i = 0; i < 31; ++i) sprite.Update();  // count 9: the strike, 40 px nearer
  ClearDrawTarget(nullptr);
  sprite.Draw();
  EXPECT_EQ(ScreenPixel(190, 45), (Rgb{50, 50, 100}));
  EXPECT_EQ(ScreenPixel(230, 45), kBlack);
  sprite.Release();
  for (int32_t frame : sprite.frames) EXPECT_EQ(frame, -1);
}

// Enemy pictures are 40 x 30 and coloured (200, 100, 40) with a transparent
// top-left pixel.
constexpr Rgb kEnemyColour = {200, 100, 40};

void WriteEnemyPicture(int id) {
  char path[64];
  snprintf(path, sizeof path, "fixture\\enemy\\graphs\\enemy_%03d.png", id);
  WritePng(path, 40, 30, [](int x, int y) { return x == 0 && y == 0 ? kBlack : kEnemyColour; });
}

TEST_F(BattleDrawTest, EnemyLoadsItsPictureByIdAndDrawsItAtItsPlace) {
  WriteEnemyPicture(7);
  CEnemy enemy;
  enemy.values.id = 7;
  enemy.values.hp = 10;
  enemy.queued = 1;
  enemy.frameCounter = 33;
  ASSERT_EQ(enemy.Load(), 1);
  EXPECT_EQ(enemy.pictureWidth, 40);
  EXPECT_EQ(enemy.pictureHeight, 30);
  EXPECT_EQ(enemy.queued, 0);
  EXPECT_EQ(enemy.frameCounter, 0u);
  enemy.x = 60;
  enemy.y = 70;
  enemy.StartPose(ENEMY_POSE_SLIDE_IN, 24, -48, 0);
  enemy.UpdateWithSpeed(0);  // 2 px in: offset -46
  enemy.Draw();
  EXPECT_EQ(ScreenPixel(14, 70), kBlack);  // the transparent pixel
  EXPECT_EQ(ScreenPixel(15, 71), kEnemyColour);
  EXPECT_EQ(ScreenPixel(53, 99), kEnemyColour);
  EXPECT_EQ(ScreenPixel(54, 99), kBlack);
  EXPECT_EQ(ScreenPixel(53, 100), kBlack);
  enemy.Release();
  EXPECT_EQ(enemy.picture, -1);
}

TEST_F(BattleDrawTest, MissingEnemyPictureIsReportedAndTheEnemyFightsOn) {
  ErrorMessageCapture errors;
  CEnemy enemy;
  enemy.values.id = 12;
  enemy.values.hp = 10;
  EXPECT_EQ(enemy.Load(), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "画像読み込み失敗 [fixture\\enemy\\graphs\\enemy_012.png]");
  EXPECT_EQ(enemy.picture, -1);
  EXPECT_EQ(enemy.pictureWidth, 0);
  EXPECT_EQ(enemy.pictureHeight, 0);
  enemy.Draw();  // draws nothing
  EXPECT_EQ(enemy.visible, 1);
  EXPECT_EQ(ScreenPixel(0, 0), kBlack);
}

TEST_F(BattleDrawTest, AttackingEnemyIsDarkOnItsBlinkFramesOnly) {
  WriteEnemyPicture(3);
  CEnemy enemy;
  enemy.values.id = 3;
  enemy.values.hp = 10;
  ASSERT_EQ(enemy.Load(), 1);
  enemy.x = 100;
  enemy.y = 50;
  CEnemy other;  // drawn after it, always at full brightness
  other.values.id = 3;
  other.values.hp = 10;
  ASSERT_EQ(other.Load(), 1);
  other.x = 200;
  other.y = 50;
  enemy.StartPose(ENEMY_POSE_ATTACK, 20, 0, 0);
  // A blit's bright of 128 scales each channel to floor(c * 128 / 255).
  const Rgb dark = {100, 50, 20};
  std::vector<int> darkCounts;
  for (int frame = 0; frame < 21; ++frame) {
    enemy.UpdateWithSpeed(0);
    ClearDrawTarget(nullptr);
    enemy.Draw();
    other.Draw();
    const Rgb seen = ScreenPixel(120, 60);
    ASSERT_TRUE(seen == dark || seen == kEnemyColour) << seen;
    if (seen == dark) darkCounts.push_back(enemy.poseFrames);
    EXPECT_EQ(ScreenPixel(220, 60), kEnemyColour);
  }
  // The counts left after each frame's step; at 0 the pose ends, normal.
  EXPECT_EQ(darkCounts, (std::vector<int>{19, 18, 13, 12, 7, 6, 1}));
  EXPECT_EQ(enemy.pose, ENEMY_POSE_IDLE);
  enemy.Release();
  other.Release();
}

TEST_F(BattleDrawTest, DefeatedEnemyVanishesInTheFirstDrawAfterItsNumber) {
  WriteEnemyPicture(4);
  CEnemy enemy;
  enemy.values.id = 4;
  enemy.values.hp = 10;
  enemy.values.maxHp = 10;
  ASSERT_EQ(enemy.Load(), 1);
  enemy.x = 100;
  enemy.y = 50;
  enemy.Damage(25);
  EXPECT_EQ(enemy.values.hp, 0);
  int lastDrawn = -1;
  for (int frame = 1; frame <= 60; ++frame) {
    enemy.UpdateWithSpeed(0);
    ClearDrawTarget(nullptr);
    enemy.Draw();
    if (ScreenPixel(101, 51) == kEnemyColour) lastDrawn = frame;
  }
  EXPECT_EQ(lastDrawn, 50);
  EXPECT_EQ(enemy.visible, 0);
  enemy.Release();
}

// The first and last column of row y that have the colour, or -1.
int FirstColumnOf(int y, Rgb colour) {
  for (int x = 0; x < 320; ++x) {
    if (ScreenPixel(x, y) == colour) return x;
  }
  return -1;
}

int LastColumnOf(int y, Rgb colour) {
  for (int x = 319; x >= 0; --x) {
    if (ScreenPixel(x, y) == colour) return x;
  }
  return -1;
}

CAtbGauge* DrawGauge(CAtbGauge* gauge, int x, int y, int value) {
  ClearDrawTarget(nullptr);
  gauge->x = x;
  gauge->y = y;
  gauge->value = value;
  gauge->Draw();
  return gauge;
}

TEST_F(BattleDrawTest, GaugeBarGrowsOnePixelPerTwoPointsThenTurnsYellow) {
  // The bar runs from x + 6 to its end x + 6 + v / 2: grey rows, the band
  // taking in the end column, under a white top row that stops short of it
  // (a one-pixel line leaves out its last point). Full: one yellow row from
  // x + 6 to x + 62, again without the last point. Below 2 nothing shows.
  const int gx = 200;
  const int gy = 100;
  const struct {
    int value;
    int end;  // 0: no bar
  } cases[] = {{0, 0}, {1, 0}, {2, gx + 7}, {3, gx + 7}, {50, gx + 31}, {99, gx + 55}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    CAtbGauge gauge;
    DrawGauge(&gauge, gx, gy, c.value);
    if (c.end == 0) {
      for (int y = gy; y < gy + 8; ++y) EXPECT_EQ(FirstColumnOf(y, kBlack), 0) << y;
      for (int y = gy; y < gy + 8; ++y) EXPECT_EQ(LastColumnOf(y, kBlack), 319) << y;
      EXPECT_EQ(FirstColumnOf(gy + 3, kGaugeTop), -1);
      EXPECT_EQ(FirstColumnOf(gy + 4, kGaugeBar), -1);
      continue;
    }
    EXPECT_EQ(FirstColumnOf(gy + 3, kGaugeTop), gx + 6);
    EXPECT_EQ(LastColumnOf(gy + 3, kGaugeTop), c.end - 1);
    EXPECT_EQ(FirstColumnOf(gy + 4, kGaugeBar), gx + 6);
    EXPECT_EQ(LastColumnOf(gy + 4, kGaugeBar), c.end);
    EXPECT_EQ(ScreenPixel(c.end + 1, gy + 4), kBlack);
    EXPECT_EQ(FirstColumnOf(gy + 3, kGaugeFull), -1);
  }
  for (int value : {100, 130}) {
    SCOPED_TRACE(value);
    CAtbGauge gauge;
    DrawGauge(&gauge, gx, gy, value);
    EXPECT_EQ(FirstColumnOf(gy + 3, kGaugeFull), gx + 6);
    EXPECT_EQ(LastColumnOf(gy + 3, kGaugeFull), gx + 61);
    EXPECT_EQ(FirstColumnOf(gy + 4, kGaugeBar), -1);
    EXPECT_EQ(FirstColumnOf(gy + 2, kGaugeFull), -1);
    EXPECT_EQ(FirstColumnOf(gy + 4, kGaugeFull), -1);
  }
}

TEST_F(BattleDrawTest, GaugePictureIsDrawnOverTheBar) {
  // A 64 x 8 frame: (30, 60, 90) on rows 0 and 7 and columns 0 to 5,
  // transparent inside.
  WritePng("fixture\\graphs\\system\\atb_gauge.png", 64, 8, [](int x, int y) {
    return y == 0 || y == 7 || x < 6 ? Rgb{30, 60, 90} : kBlack;
  });
  CAtbGauge gauge;
  gauge.picture = CreateGraphFromFile("fixture\\graphs\\system\\atb_gauge.png", 0);
  ASSERT_NE(gauge.picture, -1);
  DrawGauge(&gauge, 10, 20, 40);
  EXPECT_EQ(ScreenPixel(10, 23), (Rgb{30, 60, 90}));
  EXPECT_EQ(ScreenPixel(16, 23), kGaugeTop);
  EXPECT_EQ(ScreenPixel(36, 24), kGaugeBar);
  EXPECT_EQ(ScreenPixel(37, 24), kBlack);
  EXPECT_EQ(ScreenPixel(73, 20), (Rgb{30, 60, 90}));
  gauge.Release();
  EXPECT_EQ(gauge.picture, -1);
}

TEST_F(BattleDrawTest, BackgroundCoversTheScreenWithoutTransparency) {
  WritePng("fixture\\field\\field_01.png", 320, 240,
           [](int x, int y) { return x < 160 ? kBlack : Rgb{x / 2, y, 77}; });
  PaintFilledBox(0, 0, 320, 240, ComposeColorCode(9, 9, 9));
  CField field;
  field.picture = CreateGraphFromFile("fixture\\field\\field_01.png", 0);
  ASSERT_NE(field.picture, -1);
  field.Draw();
  EXPECT_EQ(ScreenPixel(0, 0), kBlack);  // black is drawn, not skipped
  EXPECT_EQ(ScreenPixel(159, 239), kBlack);
  EXPECT_EQ(ScreenPixel(319, 239), (Rgb{159, 239, 77}));
  field.Release();
  EXPECT_EQ(field.picture, -1);
}

}  // namespace
