#include "CItemWindow.h"

#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CGame.h"
#include "CPlayerParty.h"
#include "CSubScreenOwner.h"
#include "CUseItem.h"
#include "ErrorMessage.h"
#include "system/random.h"
#include "window_fixture.h"

namespace {

constexpr Rgb kGray = {144, 144, 144};

class FakeCamp : public CSubScreenOwner {
 public:
  void ShowAgain() override { ++shown; }
  int shown = 0;
};

class ItemScreenTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    for (const char* folder : {"fixture\\item", "fixture\\lvinfo", "fixture\\char"}) {
      _mkdir(folder);
    }
    std::string normal = "id\r\nname\r\n"
                         "1,ポーション,10,HPを すこし かいふくする\r\n"
                         "2,どくけし,10,どくを なおす\r\n"
                         "3,エーテル,10,MPを すこし かいふくする\r\n"
                         "4,テント,50,たびの つかれを いやす\r\n"
                         "5,フェニックスのお,100,せんとうふのうを なおす\r\n";
    for (int id = 6; id <= 300; ++id) normal += std::to_string(id) + ",item" + std::to_string(id) + ",1,x\r\n";
    WriteFileBytes("fixture\\item\\NormalItem.csv", normal);
    WriteFileBytes("fixture\\item\\Weapon.csv",
                   "id\r\nname\r\n2000,ナイフ,100,みじかい けん,0,1,5,0,0,0,0,2,100,0,0,0,0,0,0,0,0\r\n");
    WriteFileBytes("fixture\\item\\Armor.csv",
                   "id\r\nname\r\n3000,ぼうし,50,かるい ぼうし,3,5,0,2,0,0,0,1,100,0,0,0,0,0,0,0,0\r\n");
    WriteFileBytes("fixture\\lvinfo\\LvInfo001.csv", "id\r\nlevel\r\n1,0,100,50,12,9,5,4,6,29\r\n");
    for (int n = 1; n <= 4; ++n) {
      char name[64];
      snprintf(name, sizeof name, "\\char\\char_battle%02d.png", n);
      ASSERT_TRUE(CopyFileA((RepositoryDataFolder() + name).c_str(),
                            (std::string("fixture") + name).c_str(), FALSE));
    }
    // The game's own font, so that the rows fit as they do in the game.
    SetDefaultFontSize(11);
    SetDefaultFontThickness(1);
    SetDefaultFontSpacing(-1);
    SetDefaultFontFace("ＭＳ ゴシック", -1);
    ASSERT_EQ(cursor.Load(), 1);
    party.Init();
    {
      ErrorMessageCapture errors;  // the members' field sprites are not needed
      for (int i = 0; i < 4; ++i) party.AddMember(1, 1 + i);
    }
    ASSERT_NE(party.GetMember(3), nullptr);
    CUseItem* use = CUseItem::GetInstance();
    use->party = &party;
    use->game = CGame::GetInstance();
    ASSERT_EQ(screen.Init(&camp, &party), 1);
  }
  void TearDown() override {
    CUseItem::GetInstance()->party = nullptr;
    WindowTest::TearDown();
  }

  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    screen.Control(keyboard);
  }
  // The key down for one frame, then released.
  void Press(int key) {
    Frame({key});
    Frame({});
  }
  void Open() {
    screen.OpenFromCamp();
    Frame({});
  }
  // Puts the list's cursor on an inventory position (its row on the page).
  void GoTo(int position) {
    screen.list.firstRow = position / 20 * 20;
    screen.list.Refresh();
    screen.list.SetCursorIndex(position % 20);
  }
  CPlayerChar& Member(int slot) { return *party.GetMember(slot); }

  CCursor cursor;
  CPlayerParty party;
  FakeCamp camp;
  CItemWindow screen{&cursor};
  CManipulator keyboard;
};

TEST_F(ItemScreenTest, OpeningFocusesTheListAtItsTopWithTheSideWindowsHidden) {
  party.AddItem(3, 1);
  screen.list.keyItemFlag = 1;
  screen.list.firstRow = 40;
  Open();
  EXPECT_EQ(screen.visible, 1);
  EXPECT_EQ(screen.list.active, 1);
  EXPECT_EQ(screen.list.index, 0);
  EXPECT_EQ(screen.list.firstRow, 0);
  EXPECT_EQ(screen.list.keyItemFlag, 0);
  EXPECT_EQ(screen.list.entries[0]->text, "ポーション");
  EXPECT_EQ(screen.list.entries[0]->value2, 3);
  EXPECT_EQ(screen.jobWindow.visible, 0);
  EXPECT_EQ(screen.targetWindow.visible, 0);
  EXPECT_EQ(screen.titleTag.visible, 1);
  EXPECT_STREQ(screen.titleTag.text, "アイテム");
  // The description follows the item under the cursor from the list's
  // first active frame on.
  Frame({});
  EXPECT_STREQ(screen.description.lines[0], "HPを すこし かいふくする");
  Press(KEY_RIGHT);
  EXPECT_STREQ(screen.description.lines[0], "");
}

TEST_F(ItemScreenTest, ArrowsScrollByRowsAtThePageEdges) {
  for (int id = 6; id < 6 + kInventorySlots; ++id) party.AddItem(1, id);  // slot p holds id p + 6
  Open();
  struct Case {
    int scroll, index, key, expectedScroll, expectedIndex;
  };
  const Case cases[] = {
      {0, 0, KEY_DOWN, 0, 2},       {0, 18, KEY_DOWN, 2, 18},     {0, 19, KEY_DOWN, 2, 19},
      {236, 18, KEY_DOWN, 236, 18}, {2, 1, KEY_UP, 0, 1},         {0, 1, KEY_UP, 0, 1},
      {0, 5, KEY_UP, 0, 3},         {0, 19, KEY_RIGHT, 2, 18},    {236, 19, KEY_RIGHT, 236, 19},
      {2, 0, KEY_LEFT, 0, 1},       {0, 0, KEY_LEFT, 0, 0},       {0, 6, KEY_RIGHT, 0, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scroll " << c.scroll << ", index " << c.index << ", key "
                                    << c.key);
    screen.list.firstRow = c.scroll;
    screen.list.Refresh();
    screen.list.SetCursorIndex(c.index);
    Press(c.key);
    EXPECT_EQ(screen.list.firstRow, c.expectedScroll);
    EXPECT_EQ(screen.list.index, c.expectedIndex);
    // Entry 0 shows the inventory position of the scroll row.
    EXPECT_EQ(screen.list.entries[0]->text, "item" + std::to_string(c.expectedScroll + 6));
  }
}

TEST_F(ItemScreenTest, TwoDecisionsSwapSlotsOrUseTheSameItem) {
  party.AddItem(2, 6);  // slot 0
  party.AddItem(1, 7);  // slot 1
  party.AddItem(1, 1);  // slot 2
  Open();
  Press(KEY_X);  // marks slot 0
  EXPECT_EQ(screen.list.markedFlag, 1);
  ASSERT_EQ(cursor.marks.size(), 1u);
  EXPECT_EQ(cursor.marks[0].x, 0 + 30 - 12);
  EXPECT_EQ(cursor.marks[0].y, 73 + 10 - 3);
  Press(KEY_DOWN);
  Press(KEY_DOWN);  // position 4, an empty slot
  Press(KEY_X);
  EXPECT_EQ(party.GetItem(0), nullptr);
  EXPECT_EQ(party.GetItem(4)->item.id, 6);
  EXPECT_EQ(screen.list.markedFlag, 0);
  EXPECT_TRUE(cursor.marks.empty());
  EXPECT_EQ(screen.list.entries[4]->text, "item6");
  EXPECT_EQ(screen.list.entries[0]->value2, 0);

  // Z with a mark only drops the mark.
  Press(KEY_X);
  Press(KEY_Z);
  EXPECT_EQ(screen.list.markedFlag, 0);
  EXPECT_TRUE(cursor.marks.empty());
  EXPECT_EQ(screen.list.active, 1);

  // The same slot twice, after the list scrolled away and back, uses its item.
  GoTo(2);
  Press(KEY_X);
  screen.list.firstRow = 20;
  screen.list.Refresh();
  EXPECT_TRUE(cursor.marks.empty());  // its row is off the page
  screen.list.firstRow = 0;
  screen.list.Refresh();
  ASSERT_EQ(cursor.marks.size(), 1u);
  EXPECT_EQ(cursor.marks[0].x, 30 - 12);
  EXPECT_EQ(cursor.marks[0].y, 73 + 25 - 3);
  Press(KEY_X);
  EXPECT_EQ(screen.targetWindow.visible, 1);
  EXPECT_EQ(screen.targetWindow.active, 1);
  EXPECT_EQ(screen.itemInUse.id, 1);
  EXPECT_EQ(party.GetItem(2)->item.id, 1);
}

TEST_F(ItemScreenTest, SortingOrdersStacksByIdWithEmptySlotsLast) {
  for (int id : {9, 7, 8, 6}) party.AddItem(1, id);
  party.RemoveItem(7, 1);  // a hole at slot 1
  party.SwapItemSlots(3, 10);
  Open();
  Press(KEY_Z);  // to the menu
  EXPECT_EQ(screen.menu.active, 1);
  Press(KEY_RIGHT);
  Press(KEY_X);  // "せいとん"
  std::vector<int> ids;
  for (int slot = 0; slot < 12; ++slot) {
    ids.push_back(party.GetItem(slot) != nullptr ? party.GetItem(slot)->item.id : 0);
  }
  EXPECT_EQ(ids, (std::vector<int>{6, 8, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(screen.menu.index, 0);
  EXPECT_EQ(screen.menu.active, 1);
  EXPECT_EQ(screen.list.entries[1]->text, "item8");
}

TEST_F(ItemScreenTest, KeyItemsShowNothingUntilUseIsChosen) {
  party.AddItem(4, 1);
  Open();
  Press(KEY_Z);
  Press(KEY_RIGHT);
  Press(KEY_RIGHT);
  Press(KEY_X);  // "だいじなもの"
  EXPECT_EQ(screen.list.keyItemFlag, 1);
  EXPECT_EQ(screen.menu.index, 2);
  EXPECT_EQ(screen.menu.active, 1);
  for (const auto& entry : screen.list.entries) {
    EXPECT_EQ(entry->text, "");
    EXPECT_EQ(entry->value2, 0);
  }
  EXPECT_STREQ(screen.description.lines[0], "");
  Press(KEY_LEFT);
  Press(KEY_LEFT);
  Press(KEY_X);  // "つかう"
  EXPECT_EQ(screen.list.keyItemFlag, 0);
  EXPECT_EQ(screen.list.active, 1);
  EXPECT_EQ(screen.list.entries[0]->text, "ポーション");
  EXPECT_EQ(screen.list.entries[0]->value2, 4);
}

TEST_F(ItemScreenTest, ItemEffectsFollowTheirRules) {
  // Seed 23's first words, each mapped by GetRandomInt(1000) to
  // floor(word * 1001 / 2^32) and taken modulo 11: 0x153eb1b0 gives 83 and
  // 6 (HP + 51), 0x921791e0 gives 571 and 10 (+ 55), 0x7ba12e6e gives 483
  // and 10 (MP + 35).
  struct Case {
    int item, hp, mp, status, maxHp;
    uint32_t word;  // 0: the effect draws no word
    int used, hpAfter, mpAfter, statusAfter;
  };
  const Case cases[] = {
      {1, 10, 50, 0, 100, 0x153eb1b0u, 1, 61, 50, 0},   // 10 + 51
      {1, 100, 50, 0, 100, 0, 0, 100, 50, 0},           // full HP
      {1, 0, 50, 0, 100, 0, 0, 0, 50, 0},               // fallen: nothing to heal
      {1, 95, 50, 0, 100, 0x921791e0u, 1, 100, 50, 0},  // 95 + 55, held at the maximum
      {3, 40, 5, 0, 100, 0x7ba12e6eu, 1, 40, 40, 0},    // 5 + 35
      {3, 40, 50, 0, 100, 0, 0, 40, 50, 0},             // full MP
      {2, 40, 5, 0, 100, 0, 0, 40, 5, 0},               // nothing to cure
      {2, 40, 5, 4, 100, 0, 1, 40, 5, 0},
      {5, 40, 5, 0, 100, 0, 0, 40, 5, 0},  // living
      {5, 0, 5, 0, 9, 0, 1, 1, 5, 0},      // 9 / 10 + 1
      {5, 0, 5, 0, 100, 0, 1, 11, 5, 0},
  };
  SeedRandom(23);
  MersenneTwisterState twin;
  SeedMersenneTwisterState(&twin, 23);
  CUseItem& use = *CUseItem::GetInstance();
  CPlayerChar& member = Member(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << c.item << ", HP " << c.hp << ", MP " << c.mp);
    member.hp = c.hp;
    member.mp = c.mp;
    member.status = c.status;
    member.params.maxHp = c.maxHp;
    member.params.maxMp = 50;
    if (c.word != 0) {
      ASSERT_EQ(NextRandomWordFrom(&twin), c.word);
    }
    int used = -1;
    if (c.item == 1) used = use.RecoverHP(2);
    if (c.item == 2) used = use.CurePoison(2);
    if (c.item == 3) used = use.RecoverMP(2);
    if (c.item == 5) used = use.Revive(2);
    EXPECT_EQ(used, c.used);
    EXPECT_EQ(member.hp, c.hpAfter);
    EXPECT_EQ(member.mp, c.mpAfter);
    EXPECT_EQ(member.status, c.statusAfter);
  }
  // An empty slot or one outside the party takes nothing.
  party.ClearMembers();
  for (int slot : {0, -1, 4}) EXPECT_EQ(use.Revive(slot), 0) << slot;
}

TEST_F(ItemScreenTest, OnlyItemsOneToThreeAndFiveAreUsableFromTheCamp) {
  CGame& game = *CGame::GetInstance();
  const int mapBefore = game.map.mapId;
  struct Case {
    int mode, mapId, item, usable;
  };
  const Case cases[] = {{MODE_CAMP, 1, 1, 1},    {MODE_CAMP, 1, 2, 1},    {MODE_CAMP, 1, 3, 1},
                        {MODE_CAMP, 1, 5, 1},    {MODE_CAMP, 1, 4, 0},    {MODE_FIELD, 1, 4, 1},
                        {MODE_FIELD, 2, 4, 0},   {MODE_CAMP, 1, 6, 0},    {MODE_CAMP, 1, 2000, 0},
                        {MODE_CAMP, 1, 3000, 0}, {MODE_CAMP, 1, 0, 0}};
  for (const Case& c : cases) {
    game.modes = {c.mode};
    game.map.mapId = c.mapId;
    EXPECT_EQ(CUseItem::GetInstance()->CanUse(c.item), c.usable)
        << "mode " << c.mode << ", map " << c.mapId << ", item " << c.item;
  }
  game.map.mapId = mapBefore;
  game.modes.clear();
}

TEST_F(ItemScreenTest, UsingTheLastItemOfAStackClosesTheTargetWindow) {
  CGame& game = *CGame::GetInstance();
  game.modes = {MODE_FIELD, MODE_CAMP};
  party.AddItem(2, 1);
  Member(0).hp = 10;
  Member(1).hp = 100;
  Member(1).params.maxHp = 100;
  SeedRandom(23);
  Open();
  Press(KEY_X);
  Press(KEY_X);
  ASSERT_EQ(screen.targetWindow.active, 1);
  EXPECT_EQ(screen.targetWindow.index, 0);
  Press(KEY_X);  // 10 + 51
  EXPECT_EQ(Member(0).hp, 61);
  EXPECT_EQ(party.GetItemCount(1), 1);
  EXPECT_EQ(screen.targetWindow.visible, 1);
  EXPECT_EQ(screen.targetWindow.active, 1);
  EXPECT_EQ(screen.list.entries[0]->value2, 1);
  Press(KEY_DOWN);
  Press(KEY_X);  // full HP: refused and kept
  EXPECT_EQ(party.GetItemCount(1), 1);
  EXPECT_EQ(screen.targetWindow.active, 1);
  Press(KEY_UP);
  Press(KEY_X);  // 61 + 55
  EXPECT_EQ(Member(0).hp, 100);
  EXPECT_EQ(party.GetItemCount(1), 0);
  EXPECT_EQ(screen.targetWindow.visible, 0);
  EXPECT_EQ(screen.list.active, 1);
  EXPECT_EQ(screen.list.entries[0]->value2, 0);
  game.modes.clear();
}

TEST_F(ItemScreenTest, ItemsThatCannotBeUsedHereOpenNoTargetWindow) {
  CGame& game = *CGame::GetInstance();
  game.modes = {MODE_FIELD, MODE_CAMP};
  party.AddItem(1, 4);
  Open();
  Press(KEY_X);
  Press(KEY_X);
  EXPECT_EQ(screen.targetWindow.visible, 0);
  EXPECT_EQ(screen.list.active, 1);
  EXPECT_EQ(party.GetItemCount(4), 1);
  game.modes.clear();
}

TEST_F(ItemScreenTest, TargetCursorRestsOnlyOnMembers) {
  party.ClearMembers();
  {
    ErrorMessageCapture errors;
    party.AddMember(1, 1);
    party.AddMember(1, 2);
  }
  party.SwapMembers(0, 3);  // members in slots 1 and 3
  ASSERT_EQ(party.GetMember(0), nullptr);
  ASSERT_EQ(party.GetMember(2), nullptr);
  CGame& game = *CGame::GetInstance();
  game.modes = {MODE_FIELD, MODE_CAMP};
  party.AddItem(5, 2);
  Member(1).status = 1;
  Member(3).status = 1;
  Open();
  Press(KEY_X);
  Press(KEY_X);
  ASSERT_EQ(screen.targetWindow.active, 1);
  Frame({});
  EXPECT_EQ(screen.targetWindow.index, 1) << "off the empty slot 0, downwards";
  struct Step {
    int key, index;
  };
  const Step steps[] = {{KEY_DOWN, 3}, {KEY_DOWN, 1}, {KEY_UP, 3}, {KEY_UP, 1}, {KEY_UP, 3}};
  for (const Step& s : steps) {
    Press(s.key);
    EXPECT_EQ(screen.targetWindow.index, s.index) << s.key;
  }
  // A party without members: the cursor stays, X chooses nobody, Z still leaves.
  party.ClearMembers();
  Press(KEY_UP);
  EXPECT_EQ(screen.targetWindow.index, 2);
  Press(KEY_X);
  EXPECT_EQ(party.GetItemCount(2), 5);
  Press(KEY_Z);
  EXPECT_EQ(screen.targetWindow.visible, 0);
  EXPECT_EQ(screen.list.active, 1);
  game.modes.clear();
}

TEST_F(ItemScreenTest, WeaponsOpenTheJobWindowAndClosingItReturnsToTheTop) {
  party.AddItem(1, 6);
  party.AddItem(1, 3000);  // group 3: jobs 0 and 1
  Open();
  screen.list.firstRow = 0;
  screen.list.SetCursorIndex(1);
  Press(KEY_X);
  Press(KEY_X);
  EXPECT_EQ(screen.jobWindow.visible, 1);
  EXPECT_EQ(screen.jobWindow.active, 1);
  EXPECT_EQ(screen.list.visible, 0);
  EXPECT_EQ(cursor.visible, 0);
  EXPECT_EQ(screen.jobWindow.item.id, 3000);
  EXPECT_STREQ(screen.description.lines[0], "かるい ぼうし");
  ClearDrawTarget(nullptr);
  screen.Draw();
  // Jobs 0 and 1 white, 2 and 3 grey, in their rows of the window.
  EXPECT_TRUE(AnyPixelIs(24, 103, 120, 117, kWhite));
  EXPECT_TRUE(AnyPixelIs(124, 103, 220, 117, kWhite));
  EXPECT_TRUE(AnyPixelIs(224, 103, 320, 117, kGray));
  EXPECT_FALSE(AnyPixelIs(224, 103, 320, 117, kWhite));
  EXPECT_TRUE(AnyPixelIs(24, 123, 120, 137, kGray));
  Press(KEY_Z);
  EXPECT_EQ(screen.jobWindow.visible, 0);
  EXPECT_EQ(screen.list.visible, 1);
  EXPECT_EQ(screen.list.active, 1);
  EXPECT_EQ(screen.list.firstRow, 0);
}

TEST_F(ItemScreenTest, CancellingTheMenuShowsTheCampAgain) {
  Open();
  Press(KEY_Z);
  EXPECT_EQ(screen.menu.active, 1);
  EXPECT_EQ(screen.menu.index, 0);
  EXPECT_EQ(camp.shown, 0);
  Press(KEY_Z);
  EXPECT_EQ(camp.shown, 1);
  EXPECT_EQ(screen.visible, 0);
  for (CFrameWindow* window : screen.windows) EXPECT_EQ(window->visible, 0);
  ClearDrawTarget(nullptr);
  screen.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, SkinChipPixel(CHIP_TOP_LEFT, 0, 0)));
}

TEST_F(ItemScreenTest, ListDrawsNamesAndCountsGreyForEquipment) {
  party.AddItem(12, 1);
  party.AddItem(1, 2000);
  party.AddItem(3, 3);
  party.AddItem(1, 5);
  Open();
  ClearDrawTarget(nullptr);
  screen.Draw();
  WritePngFile(std::string(TEST_ARTIFACT_DIR) + "/game_camp_items.png", 320, 240, ScreenPixel);
  // Row 0: names at x 38 and 178, counts at 125 and 265, text from y 83.
  EXPECT_TRUE(AnyPixelIs(38, 83, 120, 96, kWhite));
  EXPECT_TRUE(AnyPixelIs(125, 83, 160, 96, kWhite));
  EXPECT_TRUE(AnyPixelIs(178, 83, 260, 96, kGray));
  EXPECT_FALSE(AnyPixelIs(178, 83, 260, 96, kWhite));
  EXPECT_TRUE(AnyPixelIs(265, 83, 300, 96, kGray));
  // Row 2 holds no stack.
  EXPECT_FALSE(AnyPixelIs(38, 113, 300, 126, kWhite));
  EXPECT_EQ(ScreenPixel(0, 73), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
}

}  // namespace
