#include "CGame.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CMapObject.h"
#include "game_fixture.h"
#include "stdout_capture.h"

namespace {

// The game object without the library: its effect screen is not made, and
// the window never counts as active, so the keyboard is only what the test
// counts into it.
class GameTest : public GameDataFixture {
 protected:
  // New games load the map's script, which the fixture does not have.
  ErrorMessageCapture m_scriptErrors;

  void SetUp() override {
    GameDataFixture::SetUp();
    UseMemberPictures();
    WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29", "2,20,50,12,13,10,6,5,7,30"});
    WriteTable("lvinfo\\LvInfo002.csv", {"1,0,31,20,8,7,6,9,9,10"});
    WriteTable("lvinfo\\LvInfo003.csv", {"1,0,33,21,8,7,6,9,9,10"});
    WriteTable("lvinfo\\LvInfo004.csv", {"1,0,35,22,8,7,6,9,9,10"});
    WriteTable("item\\NormalItem.csv", {"1,potion,10,x"});
    WriteTable("item\\Weapon.csv", {"2001,rod,1,x,5,1,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0",
                                    "2002,sword,1,x,3,1,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0",
                                    "2003,staff,1,x,4,3,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0"});
    WriteTable("item\\Armor.csv", {"3001,shield,1,x,0,2,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0",
                                   "3002,cap,1,x,9,5,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0"});
    // A new game loads its map; a table without the map's row fails quietly.
    WriteTable("map\\MapInfo.csv", {});
  }

  static void WriteSettings(const std::string& initKeys) {
    WriteFileBytes("fixture\\debug.ini", "[Init]\r\n" + initKeys);
  }

  // One update with the keys given as held in it.
  void UpdateWithKeys(CGame& game, std::initializer_list<int> held) {
    char states[kKeyCount] = {};
    for (int key : held) states[key] = 1;
    game.keyboard.Update(states);
    game.Update();
  }

  std::vector<std::pair<int, int>> Inventory(const CGame& game) {
    std::vector<std::pair<int, int>> stacks;
    for (int i = 0; i < kInventorySlots; ++i) {
      const ItemStack* stack = game.party.GetItem(i);
      if (stack != nullptr) stacks.emplace_back(stack->item.id, stack->count);
    }
    return stacks;
  }
};

TEST_F(GameTest, FieldFramesAreSkippedOnlyWhileAllThreeScriptWindowsAreShown) {
  CGame game;
  game.SetMode();
  CFrameWindow* windows[] = {&game.msgWindow, &game.yesNoWindow, &game.choiceWindow};
  for (int shown = 0; shown <= 3; ++shown) {
    for (int i = 0; i < 3; ++i) windows[i]->pending = i < shown ? 1 : 0;
    const uint32_t before = game.map.animationCounter;
    UpdateWithKeys(game, {});
    EXPECT_EQ(game.map.animationCounter - before, shown == 3 ? 0u : 1u) << shown << " shown";
  }
}

TEST_F(GameTest, ScriptWindowsTakeTheKeysOnTheFieldAndInEvents) {
  CGame game;
  for (int mode : {MODE_FIELD, MODE_EVENT}) {
    game.SetMode();
    if (mode == MODE_EVENT) game.PushMode(MODE_EVENT);
    game.msgWindow.SetMessage("hello");
    game.msgWindow.SetVisible(1);
    UpdateWithKeys(game, {});
    UpdateWithKeys(game, {KEY_X});
    EXPECT_EQ(game.msgWindow.keyFlag, 1) << mode;
    game.msgWindow.SetVisible(0);
    // A question answered with Z ends its wait in the same update.
    CYesNoMsgWindow* questions[] = {&game.yesNoWindow, &game.choiceWindow};
    const int waits[] = {WAIT_YESNO, WAIT_CHOICE};
    for (int q = 0; q < 2; ++q) {
      if (q == 0) {
        game.yesNoWindow.ClearItems();
        game.yesNoWindow.AddItem(0, 1, 10, 40, "yes", 0, 0);
        game.yesNoWindow.AddItem(1, 1, 10, 55, "no", 0, 0);
      } else {
        game.choiceWindow.SetChoiceMessage("which", "a", "b", "c");
      }
      questions[q]->SetVisible(1);
      game.waitState = waits[q];
      UpdateWithKeys(game, {});
      EXPECT_EQ(game.waitState, waits[q]);
      UpdateWithKeys(game, {KEY_DOWN});
      UpdateWithKeys(game, {KEY_Z});
      EXPECT_EQ(questions[q]->answer, 2) << mode << ", question " << q;
      EXPECT_EQ(questions[q]->visible, 0);
      EXPECT_EQ(game.waitState, WAIT_NONE) << mode << ", question " << q;
      EXPECT_EQ(game.cursor.visible, 0);
    }
  }
  game.modes.clear();
}

TEST_F(GameTest, TheCursorBlinksOncePerUpdateButNotWhileFramesAreWaited) {
  CGame game;
  game.SetMode();
  EXPECT_EQ(game.cursor.visible, 1) << "visible until the game is set up";
  const int before = game.cursor.blinkCounter;
  game.Update();
  game.Update();
  EXPECT_EQ(game.cursor.blinkCounter, before + 2);
  game.WaitFrames(2);
  game.Update();
  game.Update();
  EXPECT_EQ(game.cursor.blinkCounter, before + 2);
  game.modes.clear();
}

TEST_F(GameTest, ModeStackPushesAndPopsWithTraces) {
  CGame game;
  EXPECT_EQ(game.GetMode(), 0);
  StdoutCapture out;
  game.SetMode();
  game.PushMode(MODE_EVENT);
  game.PushMode(MODE_BATTLE);
  EXPECT_EQ(game.GetMode(), MODE_BATTLE);
  EXPECT_EQ(game.PopMode(), MODE_BATTLE);
  EXPECT_EQ(game.PopMode(), MODE_EVENT);
  EXPECT_EQ(game.GetMode(), MODE_FIELD);
  game.PushMode(MODE_CAMP);
  game.SetMode();  // empties the stack first
  EXPECT_EQ(game.modes, (std::list<int32_t>{MODE_FIELD}));
  EXPECT_EQ(game.PopMode(), MODE_FIELD);
  EXPECT_EQ(game.PopMode(), 0) << "an empty stack stays empty";
  EXPECT_EQ(game.GetMode(), 0);
  EXPECT_EQ(out.Take(),
            "PushMode 1\nPushMode 2\nPushMode 4\nPopMode 4 → 2\nPopMode 2 → 1\n"
            "PushMode 3\nPushMode 1\nPopMode 1 → 0\n");
}

TEST_F(GameTest, NewGameWithoutSettingsGivesFourMembersAndTheStartingInventory) {
  CGame game;
  game.party.Init();
  game.NewGame();
  EXPECT_EQ(game.modes, (std::list<int32_t>{MODE_FIELD}));
  EXPECT_EQ(game.party.money, 2000);
  const int jobs[] = {JOB_NONE, JOB_BLACK_MAGE, JOB_WARRIOR, JOB_WHITE_MAGE};
  for (int i = 0; i < 4; ++i) {
    const CPlayerChar* member = game.party.GetMember(i);
    ASSERT_NE(member, nullptr) << i;
    EXPECT_EQ(member->characterNumber, i + 1);
    EXPECT_EQ(member->job, jobs[i]);
    EXPECT_EQ(member->hp, member->params.maxHp);
    EXPECT_EQ(member->mp, member->params.maxMp);
    const bool equipped = i < 2;
    EXPECT_EQ(member->equipment[0].id, equipped ? 2001 : 0) << i;
    EXPECT_EQ(member->equipment[3].id, equipped ? 3001 : 0) << i;
  }
  // 2001 twice and 3001 twice went to the first two members; sorted by id.
  EXPECT_EQ(Inventory(game), (std::vector<std::pair<int, int>>{
                                 {1, 1}, {2002, 2}, {2003, 1}, {3001, 1}, {3002, 1}}));
}

TEST_F(GameTest, NewGameSettingsAreReadAndClamped) {
  const struct {
    const char* keys;
    int members;
    int money;
  } cases[] = {
      {"PlayerCount=2\r\nGill=50\r\n", 2, 50},
      // A party of none would leave the field without a player: at least one.
      {"PlayerCount=0\r\n", 1, 2000},
      {"PlayerCount=-3\r\n", 1, 2000},
      {"PlayerCount=9\r\nGill=20000000\r\n", 4, 9999999},
  };
  for (const auto& c : cases) {
    WriteSettings(c.keys);
    CGame game;
    game.party.Init();
    game.NewGame();
    int members = 0;
    for (int i = 0; i < 4; ++i) members += game.party.GetMember(i) != nullptr;
    EXPECT_EQ(members, c.members) << c.keys;
    EXPECT_EQ(game.party.money, c.money) << c.keys;
  }
}

TEST_F(GameTest, DebugPlayerHitAndMagicPoints) {
  const struct {
    const char* keys;
    int hp1, mp1;  // member 1: max HP 40, max MP 10 at level 1
  } cases[] = {
      {"PlayerHP=1\r\nPlayerMP=1\r\n", 40 - 20, 10 - 5},
      {"PlayerHP=2\r\nPlayerMP=2\r\n", 0, 0},
      {"PlayerHP=3\r\n", 40, 10},
  };
  for (const auto& c : cases) {
    WriteSettings(std::string("PlayerCount=1\r\n") + c.keys);
    CGame game;
    game.party.Init();
    game.NewGame();
    const CPlayerChar* member = game.party.GetMember(0);
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(member->params.maxHp, 40);
    EXPECT_EQ(member->hp, c.hp1) << c.keys;
    EXPECT_EQ(member->mp, c.mp1) << c.keys;
  }
  WriteSettings("PlayerCount=1\r\nPlayer1_Exp=25\r\n");
  CGame game;
  game.party.Init();
  game.NewGame();
  EXPECT_EQ(game.party.GetMember(0)->level, 2);
  EXPECT_EQ(game.party.GetMember(0)->hp, 50);
}

TEST_F(GameTest, WaitFrameResumesOnTheUpdateAfterTheFrames) {
  CGame game;
  game.SetMode();
  game.effect.StartFadeIn(0, 0, 0, 10);
  game.WaitFrames(3);
  for (int update = 1; update <= 3; ++update) {
    game.Update();
    EXPECT_EQ(game.waitState, WAIT_FRAME) << update;
  }
  EXPECT_EQ(game.effect.counter, 10u) << "the effect does not run while frames are waited";
  game.Update();
  EXPECT_EQ(game.waitState, WAIT_NONE);
  EXPECT_EQ(game.effect.counter, 9u);
}

TEST_F(GameTest, NegativeCountsEndTheirWaitAtTheNextUpdate) {
  CGame game;
  game.SetMode();
  game.WaitFrames(-1);
  game.Update();
  EXPECT_EQ(game.waitState, WAIT_NONE);
  // A fade or shake of negative length runs no effect.
  game.effect.StartFadeOut(0, 0, 0, -5);
  EXPECT_EQ(game.effect.counter, 0u);
  game.waitState = WAIT_EFFECT;
  game.Update();
  EXPECT_EQ(game.waitState, WAIT_NONE);
  game.effect.StartShake(1, -1, 2.0, 4);
  EXPECT_FALSE(game.effect.IsRunning());
}

TEST_F(GameTest, EffectWaitEndsWhenTheCounterReachesZero) {
  CGame game;
  game.SetMode();
  game.effect.StartShake(0, 5, 2.0, 4);
  game.waitState = WAIT_EFFECT;
  for (int update = 1; update <= 4; ++update) {
    game.Update();
    EXPECT_EQ(game.waitState, WAIT_EFFECT) << update;
  }
  game.Update();
  EXPECT_EQ(game.waitState, WAIT_NONE);
}

TEST_F(GameTest, HeldAKeyRestartsTheMosaicOnEachTriggerAndTheWaitEnds34FramesAfterTheLast) {
  CGame game;
  game.SetMode();
  std::vector<int> starts;
  int frame = 0;
  for (; frame < 40; ++frame) {
    UpdateWithKeys(game, {KEY_A});
    if (game.effect.counter == kMosaicFrames) starts.push_back(frame + 1);
    EXPECT_EQ(game.waitState, WAIT_BATTLE);
    EXPECT_EQ(game.effect.type, EFFECT_MOSAIC);
  }
  EXPECT_EQ(starts, (std::vector<int>{1, 31, 34, 37, 40}));
  EXPECT_EQ(game.pendingEnemyParty, 0);
  for (int after = 1; after <= 34; ++after) {
    UpdateWithKeys(game, {});
    EXPECT_EQ(game.waitState, after < 34 ? WAIT_BATTLE : WAIT_NONE) << after;
  }
  EXPECT_FALSE(game.effect.IsRunning());
}

TEST_F(GameTest, StartEncountSetsTheMosaicAndThePendingParty) {
  CGame game;
  game.SetMode();
  game.StartEncount(7);
  EXPECT_EQ(game.effect.type, EFFECT_MOSAIC);
  EXPECT_EQ(game.effect.counter, 34u);
  EXPECT_EQ(game.effect.total, 34u);
  EXPECT_EQ(game.pendingEnemyParty, 7);
  EXPECT_EQ(game.waitState, WAIT_BATTLE);
}

TEST_F(GameTest, KeysOutsideTheFieldModeStartNoBattle) {
  CGame game;
  game.SetMode();
  game.PushMode(MODE_EVENT);
  UpdateWithKeys(game, {KEY_A});
  EXPECT_EQ(game.waitState, WAIT_NONE);
  EXPECT_FALSE(game.effect.IsRunning());
}

TEST_F(GameTest, KeyCountsFreezeWhileTheWindowIsInactive) {
  // The library is not running, so the window counts as inactive: Update
  // leaves the keyboard as it was and A keeps testing as triggered.
  CGame game;
  game.SetMode();
  UpdateWithKeys(game, {KEY_A, KEY_Z});
  for (int update = 0; update < 5; ++update) {
    game.Update();
    EXPECT_EQ(game.keyboard.heldCounts[KEY_A], 1u);
    EXPECT_EQ(game.effect.counter, kMosaicFrames) << "restarted on every frame";
  }
  EXPECT_NE(game.runFlag, 0) << "Z held: run";
  UpdateWithKeys(game, {});
  EXPECT_EQ(game.runFlag, 0);
}

// A map file of format 6: the size, then the six layers (cells not given 0).
std::string MapFile(int width, int height, const std::vector<std::vector<uint16_t>>& layers) {
  std::string bytes(20, '\0');
  bytes[8] = static_cast<char>(width);
  bytes[12] = static_cast<char>(height);
  bytes[18] = 6;
  for (int layer = 0; layer < 6; ++layer) {
    for (int cell = 0; cell < width * height; ++cell) {
      const bool given = layer < static_cast<int>(layers.size()) &&
                         cell < static_cast<int>(layers[layer].size());
      const uint16_t value = given ? layers[layer][cell] : 0;
      bytes += static_cast<char>(value & 0xFF);
      bytes += static_cast<char>(value >> 8);
    }
  }
  return bytes;
}

class FieldTest : public GameTest {
 protected:
  // Map 2, 8 x 3 cells, a wall (pass value 9) at (6, 1), encounter area 1
  // everywhere; the player starts on (2, 1).
  void WriteField(int encount) {
    WriteTable("map\\MapInfo.csv", {"2,0," + std::to_string(encount) + ",walk.map,1,1,1"});
    std::vector<uint16_t> pass(24, 0), area(24, 1);
    pass[1 * 8 + 6] = 9;
    WriteFileBytes("fixture\\map\\walk.map", MapFile(8, 3, {{}, {}, {}, pass, {}, area}));
    WriteSettings("MapPosX=2\r\nMapPosY=1\r\nPlayerCount=1\r\n");
  }
  // The player's column after each of the frames with the keys held.
  std::vector<int> Walk(CGame& game, std::initializer_list<int> held, int frames) {
    std::vector<int> columns;
    for (int frame = 0; frame < frames; ++frame) {
      UpdateWithKeys(game, held);
      columns.push_back(game.map.playerX);
    }
    return columns;
  }
  // Each value repeated n times.
  static std::vector<int> Runs(std::initializer_list<std::pair<int, int>> runs) {
    std::vector<int> out;
    for (const auto& run : runs) out.insert(out.end(), run.second, run.first);
    return out;
  }
};

TEST_F(FieldTest, HeldArrowWalksCellByCellAsTheScrollAllows) {
  WriteField(0);
  CGame game;
  game.party.Init();
  game.NewGame();
  ASSERT_EQ(game.map.data.width, 8);
  EXPECT_EQ(game.map.playerX, 2);
  EXPECT_EQ(game.map.playerY, 1);
  // A step on the first frame, then 15 frames of scrolling; the wall at
  // column 6 stops the third step.
  EXPECT_EQ(Walk(game, {KEY_RIGHT}, 56), Runs({{3, 16}, {4, 16}, {5, 24}}));
  EXPECT_EQ(game.map.scrollX, 0);
  EXPECT_EQ(game.GetPlayer()->direction, DIR_RIGHT);
  EXPECT_EQ(game.GetPlayer()->cellX, 5);
  // With Z held a step takes 8 frames.
  EXPECT_EQ(Walk(game, {KEY_LEFT, KEY_Z}, 20), Runs({{4, 8}, {3, 8}, {2, 4}}));
  EXPECT_EQ(game.runFlag, 1);
  EXPECT_EQ(game.map.scrollMode, 1);
  // Up comes first among held arrows; the top row is the map's edge.
  Walk(game, {}, 8);
  EXPECT_EQ(game.map.scrollX, 0);
  UpdateWithKeys(game, {KEY_DOWN, KEY_UP});
  EXPECT_EQ(game.map.playerY, 0);
  EXPECT_EQ(game.GetPlayer()->direction, DIR_UP);
  Walk(game, {}, 16);
  UpdateWithKeys(game, {KEY_UP});
  EXPECT_EQ(game.map.playerY, 0);
  EXPECT_EQ(game.map.scrollY, 0);
  EXPECT_EQ(game.map.animationCounter, 56u + 20u + 8u + 1u + 16u + 1u);
}

TEST_F(FieldTest, StepsDriveTheEncountersAndTheFieldRunsOnDuringTheMosaic) {
  WriteField(1);
  WriteTable("enemy\\EncountInfo.csv", {"1,7,100,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"});
  CGame game;
  game.party.Init();
  game.NewGame();
  // Standing on the start cell has been counted; two more completed steps
  // reach the threshold.
  game.encount.lastX = game.map.playerX;
  game.encount.lastY = game.map.playerY;
  game.encount.threshold = 2;
  game.encount.stepCount = 0;
  StdoutCapture out;
  EXPECT_EQ(Walk(game, {KEY_RIGHT}, 32), Runs({{3, 16}, {4, 16}}));
  EXPECT_EQ(game.encount.stepCount, 1);
  EXPECT_EQ(game.waitState, WAIT_NONE);
  // The 33rd frame: the second step is complete and the encounter takes the
  // place of the next step.
  UpdateWithKeys(game, {KEY_RIGHT});
  EXPECT_EQ(game.map.playerX, 4);
  EXPECT_EQ(game.waitState, WAIT_BATTLE);
  EXPECT_EQ(game.pendingEnemyParty, 7);
  EXPECT_TRUE(game.effect.IsMosaicRunning());
  EXPECT_EQ(game.effect.counter, 34u);
  EXPECT_EQ(game.encount.stepCount, 0);
  EXPECT_NE(out.Take().find("エンカウント [7]"), std::string::npos);
  // The arrows still walk during the mosaic; the same cell counts no step.
  UpdateWithKeys(game, {KEY_RIGHT});
  EXPECT_EQ(game.map.playerX, 5);
  EXPECT_EQ(game.encount.stepCount, 0);

  // On a map without encounters, steps are not counted.
  WriteField(0);
  CGame quiet;
  quiet.party.Init();
  quiet.NewGame();
  quiet.encount.threshold = 1;
  Walk(quiet, {KEY_RIGHT}, 40);
  EXPECT_EQ(quiet.map.playerX, 5);
  EXPECT_EQ(quiet.encount.stepCount, 0);
  EXPECT_EQ(quiet.waitState, WAIT_NONE);
}

TEST_F(FieldTest, XTalksToTheObjectInFrontWhileTheMapStandsStill) {
  WriteField(0);
  // Talking reaches the game object through its one instance.
  CGame& game = *CGame::GetInstance();
  game.party.Init();
  game.NewGame();
  auto object = std::make_unique<CMapObject>();
  object->trigger = TRIGGER_BUTTON;
  object->pictureId = 1;  // visible, so it blocks the way
  object->Place(1, 4);
  game.map.event.AddObject(std::move(object));
  StdoutCapture out;
  // X while stepping: the map scrolls, so the player does not talk.
  UpdateWithKeys(game, {KEY_RIGHT});
  UpdateWithKeys(game, {KEY_X});
  EXPECT_EQ(game.GetMode(), MODE_FIELD);
  Walk(game, {}, 16);
  EXPECT_EQ(game.map.playerX, 3);
  // The object blocks the next step; the player turns toward it and talks.
  UpdateWithKeys(game, {KEY_RIGHT, KEY_X});
  EXPECT_EQ(game.map.playerX, 3);
  EXPECT_EQ(game.GetPlayer()->direction, DIR_RIGHT);
  // The fixture has no script, so the event the talk starts ends at once.
  EXPECT_EQ(game.GetMode(), MODE_FIELD);
  EXPECT_EQ(out.Take(), "PushMode 2\nPopMode 2 → 1\n");
  game.map.event.Clear();
  game.party.ClearMembers();
  game.party.ClearItems();
  game.modes.clear();
}

TEST_F(FieldTest, WaitedFramesMoveTheMapOn) {
  CGame game;
  game.SetMode();
  game.map.scrollX = 16;
  game.runFlag = 1;
  game.WaitFrames(3);
  for (int update = 0; update < 3; ++update) game.Update();
  EXPECT_EQ(game.map.scrollX, 10) << "eased at the run speed";
  EXPECT_EQ(game.map.animationCounter, 3u);
  game.Update();
  EXPECT_EQ(game.waitState, WAIT_NONE);
}

}  // namespace
