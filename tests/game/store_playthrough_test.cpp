// The shops of the shipped village, opened by their keepers' scripts in the
// running game and used with the keys, with a frame of each kept among the
// artefacts.
#include <direct.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "CGame.h"
#include "CMapObject.h"
#include "StoreRules.h"
#include "game_fixture.h"
#include "stdout_capture.h"
#include "window_fixture.h"

namespace {

class StorePlaythroughTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetGameDataFolder(RepositoryDataFolder());
    StartLibraryForPictures();
    CDataManager::GetInstance().windowSkinLoaded = 0;
    CGame& game = *CGame::GetInstance();
    game.party.ClearMembers();
    game.party.ClearItems();
    game.party.money = 0;
    StdoutCapture out;
    game.Init();
  }
  void TearDown() override {
    CGame& game = *CGame::GetInstance();
    game.sound.ReleaseAll();
    game.map.event.Clear();
    game.party.ClearMembers();
    game.party.ClearItems();
    CDataManager::GetInstance().windowSkinLoaded = 0;
    SetGameDataFolder("..\\data");
  }

  static void Frame(std::initializer_list<int> held) {
    CGame& game = *CGame::GetInstance();
    PressKeys(&game.keyboard, held);
    game.Update();
  }
  static void Press(int key, int times = 1) {
    for (int i = 0; i < times; ++i) {
      Frame({key});
      Frame({});
    }
  }
  static void Idle(int frames) {
    for (int i = 0; i < frames; ++i) Frame({});
  }

  // The keeper's event, as the map runs it when the player talks.
  static void Talk(int eventId) {
    CGame& game = *CGame::GetInstance();
    for (const std::unique_ptr<CMapObject>& object : game.map.event.objects) {
      if (object->eventId == eventId) {
        game.map.ExecObjectEvent(object.get());
        return;
      }
    }
    ADD_FAILURE() << "no object " << eventId;
  }

  static void SaveFrame(const char* name) {
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ClearDrawTarget(nullptr);
    CGame::GetInstance()->Draw();
    _mkdir(TEST_ARTIFACT_DIR);
    WritePngFile(std::string(TEST_ARTIFACT_DIR) + "/" + name, 320, 240, ScreenPixel);
  }
};

TEST_F(StorePlaythroughTest, TheVillageShopsOpenSellAndLetTheScriptGoOn) {
  ErrorMessageCapture errors;
  CGame& game = *CGame::GetInstance();
  ASSERT_EQ(game.map.mapId, 2);
  Idle(30);  // the village's fade-in
  ASSERT_EQ(game.waitState, WAIT_NONE);
  ASSERT_EQ(game.modes, std::list<int32_t>{MODE_FIELD});
  struct Case {
    int eventId;
    int type;
    size_t goods;
    int firstItem;
    bool speaksFirst;  // the smith says a line before the shop opens
    const char* frame;
  };
  const Case cases[] = {
      {4, STORE_ITEM, 5, 1, false, "game_shop.png"},
      {5, STORE_WEAPON, 7, 2001, true, "game_shop_weapons.png"},
      {6, STORE_ARMOUR, 9, 3001, false, "game_shop_armour.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.eventId);
    StdoutCapture out;
    Talk(c.eventId);
    if (c.speaksFirst) {
      Idle(11);
      Press(KEY_X);
    }
    ASSERT_EQ(game.waitState, WAIT_STORE);
    ASSERT_EQ(game.store.visible, 1);
    EXPECT_EQ(game.store.type, c.type);
    EXPECT_EQ(game.store.rate, 100);
    ASSERT_EQ(game.store.goods.size(), c.goods);
    EXPECT_EQ(game.store.goods[0]->id, c.firstItem);
    for (const auto& item : game.store.goods) EXPECT_NE(item->name[0], '\0') << item->id;

    // Buy one of the first goods item.
    const int money = game.party.money;
    const int held = game.party.GetItemCount(c.firstItem);
    Press(KEY_X);
    EXPECT_EQ(game.store.listWindow.visible, 1);
    EXPECT_EQ(game.store.partyWindow.visible, c.type == STORE_ITEM ? 0 : 1);
    SaveFrame(c.frame);
    // The shop is drawn alone: below its windows the screen stays clear.
    int drawnBelow = 0;
    for (int y = 212; y < 240; ++y) {
      for (int x = 0; x < 320; ++x) drawnBelow += ScreenPixel(x, y) == kBlack ? 0 : 1;
    }
    EXPECT_EQ(drawnBelow, 0) << "no field under the shop";
    Press(KEY_X);
    ASSERT_EQ(game.store.amountWindow.visible, 1);
    Press(KEY_X);
    EXPECT_EQ(game.party.money, money - game.store.goods[0]->price);
    Idle(kStorePauseFrames);
    EXPECT_EQ(game.party.GetItemCount(c.firstItem), held + 1);

    // Back to the menu and out: the script goes on and the event ends.
    Press(KEY_Z);
    EXPECT_EQ(game.waitState, WAIT_STORE);
    Press(KEY_Z);
    EXPECT_EQ(game.store.visible, 0);
    EXPECT_EQ(game.waitState, WAIT_NONE);
    EXPECT_EQ(game.modes, std::list<int32_t>{MODE_FIELD});
    const std::string trace = out.Take();
    EXPECT_NE(trace.find("lua_OpenStore\nItemID ["), std::string::npos) << trace;
    EXPECT_NE(trace.find("CScriptManager::ExecNext\nPopMode 2 → 1\n"), std::string::npos)
        << trace;
  }
  EXPECT_TRUE(errors.Messages().empty()) << errors.Messages()[0];
}

}  // namespace
