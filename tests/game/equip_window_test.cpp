#include "CEquipWindow.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CDataManager.h"
#include "CPlayerParty.h"
#include "CSubScreenOwner.h"
#include "ErrorMessage.h"
#include "window_fixture.h"

namespace {

constexpr Rgb kGray = {144, 144, 144};
constexpr Rgb kGold = {255, 201, 10};

class FakeCamp : public CSubScreenOwner {
 public:
  void ShowAgain() override { ++shown; }
  int shown = 0;
};

// A row of the weapon or armour table: id, group, kind, attack, defence,
// weight.
struct Gear {
  int id, group, kind, attack, defence, weight;
};

std::string GearRow(const Gear& g) {
  return std::to_string(g.id) + ",gear" + std::to_string(g.id) + ",10,x," +
         std::to_string(g.group) + "," + std::to_string(g.kind) + "," + std::to_string(g.attack) +
         "," + std::to_string(g.defence) + ",0,0,0," + std::to_string(g.weight) +
         ",100,0,0,0,0,0,0,0,0\r\n";
}

void WriteGearTables(const std::vector<Gear>& gear) {
  std::string weapons = "id\r\nname\r\n";
  std::string armour = "id\r\nname\r\n";
  for (const Gear& g : gear) (g.id < kFirstArmorId ? weapons : armour) += GearRow(g);
  WriteFileBytes("fixture\\item\\Weapon.csv", weapons);
  WriteFileBytes("fixture\\item\\Armor.csv", armour);
}

class EquipScreenTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    for (const char* folder : {"fixture\\item", "fixture\\lvinfo", "fixture\\char"}) {
      _mkdir(folder);
    }
    WriteFileBytes("fixture\\item\\NormalItem.csv", "id\r\nname\r\n1,ポーション,10,x\r\n");
    WriteFileBytes("fixture\\lvinfo\\LvInfo001.csv", "id\r\nlevel\r\n1,0,100,50,12,9,5,4,6,29\r\n");
    ASSERT_TRUE(CopyFileA((RepositoryDataFolder() + "\\char\\char_battle01.png").c_str(),
                          "fixture\\char\\char_battle01.png", FALSE));
    // The game's own font, so that the rows fit as they do in the game.
    SetDefaultFontSize(11);
    SetDefaultFontThickness(1);
    SetDefaultFontSpacing(-1);
    SetDefaultFontFace("ＭＳ ゴシック", -1);
    ASSERT_EQ(cursor.Load(), 1);
    party.Init();
    {
      ErrorMessageCapture errors;  // the members' field sprites are not needed
      party.AddMember(1, 1);
      party.AddMember(1, 1);
    }
    ASSERT_NE(party.GetMember(1), nullptr);
    ASSERT_EQ(screen.Init(&camp, &party), 1);
  }

  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    screen.Control(keyboard);
  }
  void Press(int key) {
    Frame({key});
    Frame({});
  }
  void Open(int member) {
    screen.OpenFromCamp(member);
    Frame({});
  }
  // From the menu, its entry decided.
  void Choose(int entry) {
    while (screen.menu.index < entry) Press(KEY_RIGHT);
    while (screen.menu.index > entry) Press(KEY_LEFT);
    Press(KEY_X);
  }
  CPlayerChar& Member() { return *party.GetMember(1); }

  CCursor cursor;
  CPlayerParty party;
  FakeCamp camp;
  CEquipWindow screen{&cursor};
  CManipulator keyboard;
};

TEST_F(EquipScreenTest, OpeningShowsTheMenuWithoutCandidates) {
  WriteGearTables({{2001, 0, 1, 5, 0, 2}});
  party.AddItem(1, 2001);
  screen.itemList.SetItems();
  Open(1);
  EXPECT_EQ(screen.visible, 1);
  EXPECT_EQ(screen.memberIndex, 1);
  EXPECT_EQ(screen.menu.visible, 1);
  EXPECT_EQ(screen.menu.active, 1);
  EXPECT_EQ(screen.titleTag.visible, 0);
  EXPECT_EQ(screen.charWindow.visible, 1);
  EXPECT_EQ(screen.itemList.GetItemCount(), 0);
  EXPECT_EQ(screen.itemList.GetSelectedItem(), nullptr);
  Choose(4);  // "おわる"
  EXPECT_EQ(camp.shown, 1);
  EXPECT_EQ(screen.visible, 0);
  for (CFrameWindow* window : screen.windows) EXPECT_EQ(window->visible, 0);
  Open(0);
  Press(KEY_Z);
  EXPECT_EQ(camp.shown, 2);
}

TEST_F(EquipScreenTest, EquippingAndRemovingKeepTheInventoryInStep) {
  WriteGearTables({{2001, 0, 1, 5, 0, 2}});
  party.AddItem(2, 2001);
  Member().CalcParam();
  const int attack = Member().params.attack;
  Open(1);
  Choose(0);  // "そうび"
  EXPECT_EQ(screen.charWindow.active, 1);
  EXPECT_EQ(screen.titleTag.visible, 1);
  EXPECT_EQ(screen.menu.visible, 0);
  ASSERT_EQ(screen.itemList.GetItemCount(), 1);
  EXPECT_EQ(screen.itemList.entries[0]->text, "gear2001");
  Press(KEY_X);
  EXPECT_EQ(screen.itemList.active, 1);
  Press(KEY_X);
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 2001);
  EXPECT_EQ(party.GetItemCount(2001), 1);
  EXPECT_EQ(Member().params.attack, attack + 5);
  EXPECT_EQ(screen.charWindow.active, 1);
  // The same item again: one back, one taken.
  Press(KEY_X);
  Press(KEY_X);
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 2001);
  EXPECT_EQ(party.GetItemCount(2001), 1);
  // A slot without candidates takes no X.
  Press(KEY_DOWN);
  EXPECT_EQ(screen.currentSlot, 1);
  EXPECT_EQ(screen.itemList.GetItemCount(), 0);
  Press(KEY_X);
  EXPECT_EQ(screen.charWindow.active, 1);

  Press(KEY_Z);
  EXPECT_EQ(screen.menu.active, 1);
  EXPECT_EQ(screen.titleTag.visible, 0);
  Choose(2);  // "はずす"
  EXPECT_EQ(screen.charWindow.active, 1);
  Press(KEY_X);  // slot 1 is empty
  EXPECT_EQ(party.GetItemCount(2001), 1);
  Press(KEY_UP);
  EXPECT_EQ(screen.itemList.GetItemCount(), 0) << "removing lists no candidates";
  Press(KEY_X);
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 0);
  EXPECT_EQ(party.GetItemCount(2001), 2);
  EXPECT_EQ(Member().params.attack, attack);

  Press(KEY_Z);
  Choose(1);  // "さいきょう"
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 2001);
  EXPECT_EQ(party.GetItemCount(2001), 1);
  EXPECT_EQ(screen.menu.active, 1);
  Choose(3);  // "すべてはずす"
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 0);
  EXPECT_EQ(party.GetItemCount(2001), 2);
  EXPECT_EQ(Member().params.attack, attack);
}

TEST_F(EquipScreenTest, StrongestTakesTheGreatestPositiveKeyEarliestOnATie) {
  struct Case {
    const char* what;
    std::vector<Gear> inventory;  // in inventory order
    Gear worn;                    // id 0: the slot starts empty
    int slot, expected;
  };
  const Case cases[] = {
      {"greater attack", {{2001, 0, 1, 5, 0, 0}, {2002, 0, 1, 12, 0, 0}}, {}, 0, 2002},
      {"tie, earlier", {{2001, 0, 1, 7, 0, 0}, {2002, 0, 1, 7, 0, 0}}, {}, 0, 2001},
      {"tie, other order", {{2002, 0, 1, 7, 0, 0}, {2001, 0, 1, 7, 0, 0}}, {}, 0, 2002},
      {"keys not above 0", {{2001, 0, 1, 0, 9, 0}, {2002, 0, 1, -3, 0, 0}}, {}, 0, 0},
      {"worn item with key 0 comes off", {{2001, 0, 1, 0, 0, 0}}, {2003, 0, 1, 0, 4, 0}, 0, 0},
      {"worn item is the strongest", {{2001, 0, 1, 5, 0, 0}}, {2002, 0, 1, 12, 0, 0}, 0, 2002},
      {"head by defence", {{3001, 0, 5, 9, 1, 0}, {3002, 0, 5, 0, 4, 0}}, {}, 2, 3002},
      {"shield by attack", {{3003, 0, 2, 0, 5, 0}}, {}, 1, 0},
      {"job may not", {{2001, 4, 1, 20, 0, 0}, {2002, 5, 1, 3, 0, 0}}, {}, 0, 2002},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Gear> gear = c.inventory;
    if (c.worn.id != 0) gear.push_back(c.worn);
    WriteGearTables(gear);
    party.ClearItems();
    for (const Gear& g : c.inventory) party.AddItem(1, g.id);
    for (ItemData& slot : Member().equipment) slot = ItemData{};
    if (c.worn.id != 0) {
      ASSERT_EQ(CDataManager::GetInstance().LoadItem(c.worn.id, &Member().equipment[c.slot]), 1);
    }
    Member().job = JOB_BLACK_MAGE;  // group 4 is not for black mages, 5 is
    screen.memberIndex = 1;
    screen.EquipStrongest();
    EXPECT_EQ(Member().equipment[c.slot].id, c.expected);
    for (int s = 0; s < kEquipSlotCount; ++s) {
      if (s != c.slot) {
        EXPECT_EQ(Member().equipment[s].id, 0) << s;
      }
    }
    // Every item is either worn or back in the inventory, once.
    for (const Gear& g : gear) {
      EXPECT_EQ(party.GetItemCount(g.id), g.id == c.expected ? 0 : 1) << g.id;
    }
  }
}

TEST_F(EquipScreenTest, ShorterCandidateListBringsTheCursorBack) {
  WriteGearTables({{2001, 0, 1, 1, 0, 0}, {2002, 0, 1, 2, 0, 0}, {2003, 0, 1, 3, 0, 0}});
  for (int id : {2001, 2002, 2003}) party.AddItem(1, id);
  Open(1);
  Choose(0);
  Press(KEY_X);
  Press(KEY_DOWN);
  Press(KEY_DOWN);
  ASSERT_EQ(screen.itemList.index, 2);
  Press(KEY_X);  // the last stack of 2003 is worn now
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 2003);
  ASSERT_EQ(screen.itemList.GetItemCount(), 2);
  EXPECT_EQ(screen.itemList.index, 1);
  Press(KEY_X);
  ASSERT_NE(screen.itemList.GetSelectedItem(), nullptr);
  EXPECT_EQ(screen.itemList.GetSelectedItem()->id, 2002);
  Press(KEY_X);
  EXPECT_EQ(Member().equipment[EQUIP_RIGHT_HAND].id, 2002);
  EXPECT_EQ(party.GetItemCount(2001), 1);
  EXPECT_EQ(party.GetItemCount(2002), 0);
  EXPECT_EQ(party.GetItemCount(2003), 1);
  // Past the end of the list there is no item.
  screen.itemList.index = 7;
  EXPECT_EQ(screen.itemList.GetSelectedItem(), nullptr);
  screen.itemList.ClearCandidates();
  EXPECT_EQ(screen.itemList.GetSelectedItem(), nullptr);
}

TEST_F(EquipScreenTest, ComparisonColoursShowBetterGoldAndWorseGrey) {
  // Worn: defence 2, weight 5. Candidates: defence 4 and weight 1, then
  // defence 1 and weight 9.
  WriteGearTables({{3002, 0, 5, 0, 4, 1}, {3003, 0, 5, 0, 1, 9}, {3004, 0, 5, 0, 2, 5}});
  party.AddItem(1, 3002);
  party.AddItem(1, 3003);
  ASSERT_EQ(CDataManager::GetInstance().LoadItem(3004, &Member().equipment[EQUIP_HEAD]), 1);
  Member().CalcParam();
  Open(1);
  Choose(0);
  Press(KEY_DOWN);
  Press(KEY_DOWN);
  ASSERT_EQ(screen.currentSlot, EQUIP_HEAD);
  // The candidate column (from x 288) of a row at window y + rowY.
  auto cell = [](int rowY, Rgb colour) {
    return AnyPixelIs(288, 85 + rowY, 320, 97 + rowY, colour);
  };
  ClearDrawTarget(nullptr);
  screen.Draw();
  EXPECT_FALSE(cell(90, kWhite) || cell(90, kGold) || cell(90, kGray)) << "no candidate yet";
  EXPECT_TRUE(AnyPixelIs(256, 85 + 90, 280, 97 + 90, kWhite)) << "the current value";
  EXPECT_TRUE(AnyPixelIs(308, 85 + 114, 320, 97 + 114, kWhite)) << "％ without a candidate";

  Press(KEY_X);
  ClearDrawTarget(nullptr);
  screen.Draw();
  WritePngFile(std::string(TEST_ARTIFACT_DIR) + "/game_camp_equipment.png", 320, 240, ScreenPixel);
  struct Row {
    int rowY;
    Rgb lighter, heavier;  // the colour with each candidate
  };
  const Row rows[] = {
      {3, kWhite, kWhite},    // strength: unchanged
      {90, kGold, kGray},     // defence 4 or 1 against 2
      {138, kGold, kGray},    // weight 1 or 9 against 5: lower is better
  };
  for (const Row& r : rows) EXPECT_TRUE(cell(r.rowY, r.lighter)) << r.rowY;
  EXPECT_FALSE(cell(90, kWhite));
  Press(KEY_DOWN);
  ClearDrawTarget(nullptr);
  screen.Draw();
  for (const Row& r : rows) EXPECT_TRUE(cell(r.rowY, r.heavier)) << r.rowY;
  EXPECT_FALSE(cell(138, kGold));
}

TEST_F(EquipScreenTest, EmptyHandReadsBareOnlyWithoutATwoHandedGroup) {
  WriteGearTables({{3001, 0, 2, 0, 1, 0}, {3005, 2, 2, 0, 1, 0}});
  struct Case {
    int leftHand, bare;
  };
  const Case cases[] = {{0, 1}, {3001, 1}, {3005, 0}};
  Open(1);
  for (const Case& c : cases) {
    Member().equipment[EQUIP_LEFT_HAND] = ItemData{};
    if (c.leftHand != 0) {
      CDataManager::GetInstance().LoadItem(c.leftHand, &Member().equipment[EQUIP_LEFT_HAND]);
    }
    ClearDrawTarget(nullptr);
    screen.Draw();
    EXPECT_EQ(AnyPixelIs(100, 20, 140, 32, kWhite), c.bare != 0) << c.leftHand;
  }
}

}  // namespace
