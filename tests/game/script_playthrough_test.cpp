// A scripted playthrough of the shipped town: the keys a player would press,
// and every trace the game prints meanwhile, compared byte for byte (code
// page 932) with the recorded one.
#include <stdio.h>

#include <string>

#include <gtest/gtest.h>

#include "CGame.h"
#include "CMapObject.h"
#include "game_fixture.h"
#include "stdout_capture.h"

namespace {

class ScriptPlaythroughTest : public ::testing::Test {
 protected:
  void SetUp() override { SetGameDataFolder(RepositoryDataFolder()); }
  void TearDown() override {
    CGame& game = *CGame::GetInstance();
    game.map.event.Clear();
    game.party.ClearMembers();
    game.party.ClearItems();
    SetGameDataFolder("..\\data");
  }

  // One update with the keys held in it.
  static void Frame(std::initializer_list<int> held) {
    char states[kKeyCount] = {};
    for (int key : held) states[key] = 1;
    CGame& game = *CGame::GetInstance();
    game.keyboard.Update(states);
    game.Update();
  }

  static void Idle(int frames) {
    for (int i = 0; i < frames; ++i) Frame({});
  }

  // Pressed for one frame and released.
  static void Press(int key) {
    Frame({key});
    Frame({});
  }

  // Holds the arrow until the player has walked the cells and stands still.
  static void Walk(int key, int cells) {
    CGame& game = *CGame::GetInstance();
    for (int i = 0; i < cells; ++i) {
      const int x = game.map.playerX, y = game.map.playerY;
      for (int frame = 0; frame < 40 && game.map.playerX == x && game.map.playerY == y; ++frame) {
        Frame({key});
      }
      while (game.map.IsScrolling()) Frame({});
    }
  }

  // Turns toward what blocks the way and talks to it, then waits for the
  // window's delay.
  static void TalkToward(int key) {
    Frame({key});
    Press(KEY_X);
    Idle(12);
  }

  static std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    fclose(file);
    return bytes;
  }
};

TEST_F(ScriptPlaythroughTest, TalkQuestionsChestAndDoorMatchTheRecordedTrace) {
  ErrorMessageCapture errors;
  CGame& game = *CGame::GetInstance();
  StdoutCapture out;
  game.party.Init();
  game.NewGame();
  ASSERT_EQ(game.map.mapId, 2);

  // A villager: two lines, each answered with X.
  Walk(KEY_RIGHT, 3);
  Walk(KEY_DOWN, 1);
  TalkToward(KEY_DOWN);
  Press(KEY_X);
  Idle(2);
  Press(KEY_X);
  Idle(12);

  // Across the counter of the left house: yes/no, answered yes.
  Walk(KEY_UP, 1);
  Walk(KEY_LEFT, 7);
  TalkToward(KEY_UP);
  Press(KEY_X);
  Idle(12);
  EXPECT_EQ(game.yesNoWindow.answer, 1);
  EXPECT_EQ(game.msgWindow.pending, 1) << "the answer's message is open";
  Press(KEY_X);
  Idle(12);

  // Across the counter of the right house: the second of three choices.
  Walk(KEY_RIGHT, 10);
  TalkToward(KEY_UP);
  Press(KEY_DOWN);
  Press(KEY_X);
  Idle(12);
  EXPECT_EQ(game.choiceWindow.answer, 2);
  Press(KEY_X);
  Idle(12);

  // The chest: taken once, empty the second time.
  Walk(KEY_DOWN, 4);
  Walk(KEY_RIGHT, 2);
  TalkToward(KEY_DOWN);
  Press(KEY_X);
  Idle(12);
  EXPECT_TRUE(game.treasureFlags.IsTaken(1));
  const CMapObject* chest = game.map.event.FindObject(15, 12);
  ASSERT_NE(chest, nullptr);
  EXPECT_EQ(chest->stepFrame, 1) << "shown opened";
  TalkToward(KEY_DOWN);
  Press(KEY_X);
  Idle(12);

  // The door: a fade out, the field, a fade in.
  Walk(KEY_LEFT, 7);
  Walk(KEY_DOWN, 3);
  Idle(40);
  const std::string trace = out.Take();

  EXPECT_TRUE(errors.Messages().empty()) << errors.Messages()[0];
  EXPECT_EQ(game.map.mapId, 3);
  EXPECT_EQ(game.map.playerX, 10);
  EXPECT_EQ(game.map.playerY, 11);
  EXPECT_EQ(game.modes, std::list<int32_t>{MODE_FIELD});
  EXPECT_EQ(game.party.GetItemCount(1), 2) << "the starting potion and the chest's";

  // The run's trace is kept among the artefacts for a new recording.
  _mkdir(TEST_ARTIFACT_DIR);
  FILE* file = fopen(TEST_ARTIFACT_DIR "/script_playthrough.txt", "wb");
  if (file != nullptr) {
    fwrite(trace.data(), 1, trace.size(), file);
    fclose(file);
  }
  const std::string golden = ReadFileBytes(TEST_SOURCE_DIR "/game/script_playthrough.golden");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(trace, golden);
}

}  // namespace
