// A scripted playthrough of the shipped village: the keys a player would press,
// and every trace the game prints meanwhile, compared byte for byte (code
// page 932) with the recorded one.
#include <stdio.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "CGame.h"
#include "CMapObject.h"
#include "Ombrel.h"
#include "game_fixture.h"
#include "stdout_capture.h"

namespace {

class ScriptPlaythroughTest : public ::testing::Test {
 protected:
  // The village and the field start their music as they load, and the
  // members load their battle pictures: the library runs as in the game.
  void SetUp() override {
    SetGameDataFolder(RepositoryDataFolder());
    StartLibraryForPictures();
  }
  void TearDown() override {
    CGame& game = *CGame::GetInstance();
    game.sound.ReleaseAll();
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

TEST_F(ScriptPlaythroughTest, TalkQuestionChestAndGateMatchTheRecordedTrace) {
  ErrorMessageCapture errors;
  CGame& game = *CGame::GetInstance();
  // The child in the village walks at random: a fixed seed keeps its walk,
  // and so the run, the same each time.
  SeedRandom(1);
  StdoutCapture out;
  game.party.Init();
  game.NewGame();
  ASSERT_EQ(game.map.mapId, 2);
  ASSERT_EQ(game.map.playerX, 7);
  ASSERT_EQ(game.map.playerY, 7);

  // The villager north of the path: two pages, each answered with X.
  Walk(KEY_UP, 1);
  Walk(KEY_RIGHT, 2);
  TalkToward(KEY_UP);
  Press(KEY_X);
  Idle(12);
  Press(KEY_X);
  Idle(12);

  // The woman by the east road: yes/no, answered yes.
  Walk(KEY_RIGHT, 11);
  Walk(KEY_DOWN, 6);
  TalkToward(KEY_DOWN);
  Press(KEY_X);
  Idle(12);
  EXPECT_EQ(game.yesNoWindow.answer, 1);
  EXPECT_EQ(game.msgWindow.pending, 1) << "the answer's message is open";
  EXPECT_EQ(game.gameFlags[1], 1) << "the answer is remembered";
  Press(KEY_X);
  Idle(12);

  // The chest in the south-east corner: taken once, empty the second time.
  Walk(KEY_RIGHT, 2);
  Walk(KEY_DOWN, 3);
  TalkToward(KEY_DOWN);
  Press(KEY_X);
  Idle(12);
  EXPECT_TRUE(game.treasureFlags.IsTaken(2));
  const CMapObject* chest = game.map.event.FindObject(22, 16);
  ASSERT_NE(chest, nullptr);
  EXPECT_EQ(chest->stepFrame, 1) << "shown opened";
  TalkToward(KEY_DOWN);
  Press(KEY_X);
  Idle(12);

  // The gate in the south, round the flower bed's fence: a fade out, the
  // field, a fade in.
  Walk(KEY_UP, 1);
  Walk(KEY_LEFT, 3);
  Walk(KEY_DOWN, 1);
  Walk(KEY_LEFT, 6);
  Walk(KEY_DOWN, 1);
  Walk(KEY_LEFT, 1);
  Walk(KEY_DOWN, 1);
  Idle(40);
  const std::string trace = out.Take();

  EXPECT_TRUE(errors.Messages().empty()) << errors.Messages()[0];
  EXPECT_EQ(game.map.mapId, 3);
  EXPECT_EQ(game.map.playerX, 10);
  EXPECT_EQ(game.map.playerY, 11);
  EXPECT_EQ(game.modes, std::list<int32_t>{MODE_FIELD});
  EXPECT_EQ(game.party.GetItemCount(2), 1) << "the chest's antidote, taken once";

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
