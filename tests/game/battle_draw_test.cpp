// The battle's pictures drawn onto the back screen and read back: a member's
// sprite frames cut from their picture.
#include <direct.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    for (const char* folder : {"fixture", "fixture\\char"}) {
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

}  // namespace
