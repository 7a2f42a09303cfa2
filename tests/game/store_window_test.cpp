#include "CStoreWindow.h"

#include <direct.h>
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CGame.h"
#include "CPlayerParty.h"
#include "StoreRules.h"
#include "window_fixture.h"

namespace {

// Battle frame f of the members' picture is one colour, so the party window's
// drawing tells which frame stands where.
Rgb FrameColour(int frame) { return {20 + 10 * frame, 200, 100}; }

constexpr int kPotion = 1;     // list price 15
constexpr int kEther = 2;      // list price 40
constexpr int kSword = 2001;   // group 3: warriors (and members without a job)
constexpr int kRobe = 3001;    // group 4: white mages (and members without a job)

class StoreWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    for (const char* folder : {"fixture\\item", "fixture\\lvinfo", "fixture\\char"}) _mkdir(folder);
    std::string normal = "id\r\nname\r\n1,Potion,15,Heals a little\r\n2,Ether,40,Magic back\r\n";
    // Items 10 to 49 fill the sell list's pages.
    for (int id = 10; id < 50; ++id) normal += std::to_string(id) + ",Item" + std::to_string(id) + ",100,x\r\n";
    WriteFileBytes("fixture\\item\\NormalItem.csv", normal);
    WriteFileBytes("fixture\\item\\Weapon.csv",
                   "id\r\nname\r\n2001,Sword,100,A blade,3,1,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0\r\n");
    WriteFileBytes("fixture\\item\\Armor.csv",
                   "id\r\nname\r\n3001,Robe,50,A robe,4,6,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0\r\n");
    WriteFileBytes("fixture\\lvinfo\\LvInfo001.csv", "id\r\nlevel\r\n1,0,40,10,12,9,5,4,6,29\r\n");
    WritePngFile("fixture\\char\\char_battle01.png", 24 * 18, 24,
                 [](int x, int) { return FrameColour(x / 24); });
    ErrorMessageCapture errors;  // the members' field sprites are not needed
    party.Init();
    party.AddMember(1, 1);
    party.AddMember(1, 1);
    ASSERT_NE(party.GetMember(1), nullptr);
    party.GetMember(0)->job = JOB_WARRIOR;
    party.GetMember(1)->job = JOB_WHITE_MAGE;
    party.money = 1000;
    ASSERT_EQ(cursor.Load(), 1);
    ASSERT_EQ(store.Init(&party), 1);
    store.visible = 0;
    for (CFrameWindow* window : store.windows) window->SetVisible(0);
  }

  // What expOpenStore does.
  void Open(int type, int pattern, int rate, const std::vector<int>& ids) {
    store.type = type;
    store.pattern = pattern;
    store.SetGoods(rate, ids);
    store.visible = 1;
    for (CFrameWindow* window : store.windows) window->SetVisible(1);
    store.Open();
  }

  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    store.Update(keyboard);
  }
  // Pressed for one frame and released on the next.
  void Press(int key, int times = 1) {
    for (int i = 0; i < times; ++i) {
      Frame({key});
      Frame({});
    }
  }
  void Idle(int frames) {
    for (int i = 0; i < frames; ++i) Frame({});
  }

  std::string Clerk() const { return store.clerkWindow.text; }
  CMenuWindow* Active() const {
    CMenuWindow* found = nullptr;
    for (CFrameWindow* window : store.windows) {
      if (window->IsMenu() && static_cast<CMenuWindow*>(window)->active) {
        EXPECT_EQ(found, nullptr) << "two menus active";
        found = static_cast<CMenuWindow*>(window);
      }
    }
    return found;
  }

  CPlayerParty party;
  CCursor cursor;
  CStoreWindow store{&cursor};
  CManipulator keyboard;
};

TEST_F(StoreWindowTest, InitLaysTheWindowsOutInTheirDrawingOrder) {
  struct Place {
    const CFrameWindow* window;
    int x, y, width, height;
  };
  const Place places[] = {
      {&store.titleWindow, 0, 0, 70, 28},     {&store.clerkWindow, 70, 0, 250, 28},
      {&store.menuWindow, 0, 28, 160, 28},    {&store.gillWindow, 160, 28, 160, 28},
      {&store.listWindow, 0, 56, 260, 145},   {&store.itemWindow, 0, 56, 320, 167},
      {&store.partyWindow, 260, 56, 60, 155}, {&store.amountWindow, 0, 56, 260, 100},
      {&store.descWindow, 0, 156, 260, 45},
  };
  ASSERT_EQ(store.windows.size(), 9u);
  auto registered = store.windows.begin();
  for (const Place& p : places) {
    EXPECT_EQ(*registered++, p.window);
    EXPECT_EQ(p.window->x, p.x);
    EXPECT_EQ(p.window->y, p.y);
    EXPECT_EQ(p.window->width, p.width);
    EXPECT_EQ(p.window->height, p.height);
    EXPECT_NE(p.window->chips[CHIP_TOP_LEFT], 0) << "the skin";
  }
  ASSERT_EQ(store.menuWindow.GetItemCount(), 3);
  EXPECT_EQ(store.menuWindow.entries[1]->text, "うる");
  EXPECT_EQ(store.menuWindow.entries[2]->x, 120);
  EXPECT_EQ(store.itemWindow.entries[19]->x, 170);
  EXPECT_EQ(store.itemWindow.entries[19]->y, 10 + 15 * 9);
}

TEST_F(StoreWindowTest, OpeningShowsTheMenuWithTheGreetingAndTitle) {
  struct Case {
    int type;
    const char* title;
    int partyShown;  // on "かう"
  };
  const Case cases[] = {{1, "どうぐや", 0}, {2, "ぶきや", 1}, {3, "ぼうぐや", 1},
                        {4, "まほうや", 0}, {5, "不明", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    ErrorMessageCapture errors;
    Open(c.type, 1, 100, {kSword, kRobe});
    EXPECT_STREQ(store.titleWindow.text, c.title);
    EXPECT_EQ(Clerk(), "「いらっしゃい！　どんなごようけんで？」");
    EXPECT_EQ(Active(), &store.menuWindow);
    EXPECT_EQ(store.menuWindow.index, STORE_MENU_BUY);
    EXPECT_EQ(store.listWindow.visible, 0);
    EXPECT_EQ(store.itemWindow.visible, 0);
    EXPECT_EQ(store.partyWindow.visible, 0);
    EXPECT_EQ(store.amountWindow.visible, 0);
    EXPECT_EQ(store.gillWindow.visible, 1);
    Press(KEY_X);
    EXPECT_EQ(store.listWindow.visible, 1);
    EXPECT_EQ(Active(), &store.listWindow);
    EXPECT_EQ(store.partyWindow.visible, c.partyShown);
    Press(KEY_Z);
    Press(KEY_Z);
    EXPECT_EQ(store.visible, 0) << "Z at the menu leaves";
    EXPECT_EQ(cursor.visible, 0);
  }
}

// Each step: the keys pressed, then the clerk's line and the menu that has
// the keys.
TEST_F(StoreWindowTest, TheClerkSpeaksForEachStepOfAVisit) {
  party.AddItem(5, kEther);
  struct Step {
    int key;
    int idle;  // frames waited after the press
    const char* clerk;
    const CMenuWindow* focus;
  };
  const Step steps[] = {
      {KEY_X, 0, "「なにがほしいんだい？」", &store.listWindow},
      {KEY_X, 0, "「いくつほしいんだい？」", &store.amountWindow},
      {KEY_Z, 0, "「なにがほしいんだい？」", &store.listWindow},
      {KEY_X, 0, "「いくつほしいんだい？」", &store.amountWindow},
      {KEY_X, 0, "「まいど どーも！」", &store.amountWindow},
      {0, 45, "「なにがほしいんだい？」", &store.listWindow},
      {KEY_Z, 0, "「いらっしゃい！　どんなごようけんで？」", &store.menuWindow},
      {KEY_RIGHT, 0, "「いらっしゃい！　どんなごようけんで？」", &store.menuWindow},
      {KEY_X, 0, "「なにをうるんだい？」", &store.itemWindow},
      {KEY_X, 0, "「いくつうるんだい？」", &store.amountWindow},
      {KEY_Z, 0, "「なにをうるんだい？」", &store.itemWindow},
      {KEY_X, 0, "「いくつうるんだい？」", &store.amountWindow},
      {KEY_X, 0, "「まいど どーも！」", &store.amountWindow},
      {0, 45, "「なにをうるんだい？」", &store.itemWindow},
      {KEY_Z, 0, "「いらっしゃい！　どんなごようけんで？」", &store.menuWindow},
  };
  Open(1, 1, 100, {kPotion});
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(n++);
    if (s.key != 0) Press(s.key);
    Idle(s.idle);
    EXPECT_EQ(Clerk(), s.clerk);
    EXPECT_EQ(Active(), s.focus);
  }
  EXPECT_EQ(store.menuWindow.index, STORE_MENU_SELL) << "back on うる";

  // Another pattern has no texts.
  Open(1, 2, 100, {kPotion});
  EXPECT_EQ(Clerk(), "パターン未設定");
  Press(KEY_X);
  EXPECT_EQ(Clerk(), "パターン未設定");
  Press(KEY_X);
  EXPECT_EQ(Clerk(), "パターン未設定");
}

// A purchase or sale from the amount window: the money changes at once, the
// items 45 frames later.
TEST_F(StoreWindowTest, PurchasesAndSalesChangeMoneyAndItemsExactly) {
  struct Case {
    const char* what;
    int menuEntry;
    int rate;
    int money;
    int owned;  // potions (list price 15) held before
    std::vector<int> keys;
    int amount;
    int shownTotal;
    int moneyAfter;
    int ownedAfter;
  };
  const Case cases[] = {
      {"buy 3 at 15", STORE_MENU_BUY, 100, 1000, 0, {KEY_RIGHT, KEY_RIGHT}, 3, 45, 955, 3},
      {"buy: the money pays for 2 at 22", STORE_MENU_BUY, 150, 50, 0, {KEY_UP}, 2, 44, 6, 2},
      {"buy: owning 30 stops at 69", STORE_MENU_BUY, 100, 9999999, 30,
       {KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP, KEY_UP}, 69, 1035, 9998964, 99},
      {"buy: at least one", STORE_MENU_BUY, 100, 1000, 0, {KEY_DOWN, KEY_LEFT}, 1, 15, 985, 1},
      {"sell 3 of 5 for 21", STORE_MENU_SELL, 100, 1000, 5, {KEY_RIGHT, KEY_RIGHT}, 3, 21, 1021, 2},
      {"sell at 150: shows 11, pays 10", STORE_MENU_SELL, 150, 1000, 1, {KEY_RIGHT}, 1, 11, 1010,
       0},
      {"sell: no more than owned", STORE_MENU_SELL, 100, 1000, 4, {KEY_UP}, 4, 28, 1028, 0},
      {"sell: the money stops at the cap", STORE_MENU_SELL, 100, 9999990, 10, {KEY_UP}, 10, 70,
       9999999, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    party.ClearItems();
    if (c.owned > 0) party.AddItem(c.owned, kPotion);
    party.money = c.money;
    Open(1, 1, c.rate, {kPotion, kEther});
    if (c.menuEntry == STORE_MENU_SELL) Press(KEY_RIGHT);
    Press(KEY_X);
    Press(KEY_X);  // the potion: the first entry, or the first slot
    ASSERT_EQ(Active(), &store.amountWindow);
    EXPECT_EQ(store.amountWindow.owned, c.owned);
    for (int key : c.keys) Press(key);
    EXPECT_EQ(store.amountWindow.amount, c.amount);
    EXPECT_EQ(store.amountWindow.GetShownTotal(), c.shownTotal);
    Press(KEY_X);
    EXPECT_EQ(party.money, c.moneyAfter);
    EXPECT_EQ(party.GetItemCount(kPotion), c.owned) << "the items wait for the pause";
    Idle(43);  // 44 of the 45 frames, with the release after X
    EXPECT_EQ(party.GetItemCount(kPotion), c.owned);
    EXPECT_EQ(store.amountWindow.visible, 1);
    Idle(1);
    EXPECT_EQ(party.GetItemCount(kPotion), c.ownedAfter);
    EXPECT_EQ(store.amountWindow.visible, 0);
    EXPECT_EQ(store.descWindow.visible, 0);
    EXPECT_EQ(party.money, c.moneyAfter);
  }
}

// The amount window keeps the focus for one frame after the pause has hidden
// it; X then buys nothing more.
TEST_F(StoreWindowTest, AKeyRightAfterThePauseDoesNotBuyAgain) {
  Open(1, 1, 100, {kPotion});
  Press(KEY_X);
  Press(KEY_X);
  Press(KEY_X);
  Idle(kStorePauseFrames - 1);
  EXPECT_EQ(party.GetItemCount(kPotion), 1);
  EXPECT_EQ(party.money, 985);
  Frame({KEY_X});
  EXPECT_EQ(party.money, 985);
  EXPECT_EQ(store.pauseCounter, 0);
  EXPECT_EQ(Active(), &store.listWindow);
  EXPECT_EQ(Clerk(), "「なにがほしいんだい？」");
}

// Refusals stand 45 frames, in which no key acts, then the buy list is back.
TEST_F(StoreWindowTest, RefusalsPauseFortyFiveFramesWithoutInput) {
  struct Case {
    const char* what;
    int money;
    int owned;
    const char* clerk;
  };
  const Case cases[] = {
      {"not enough for one", 14, 0, "「・・・おかねが　たりないようだね？」"},
      {"99 held", 1000, 99, "「もうもてないよ」"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    party.ClearItems();
    if (c.owned > 0) party.AddItem(c.owned, kPotion);
    party.money = c.money;
    Open(1, 1, 100, {kPotion});
    Press(KEY_X);
    Frame({KEY_X});
    EXPECT_EQ(Clerk(), c.clerk);
    EXPECT_EQ(store.pauseCounter, kStorePauseFrames);
    EXPECT_EQ(store.amountWindow.visible, 0);
    // X and Z on every one of the next 44 frames change nothing.
    for (int i = 0; i < 44; ++i) Frame({i % 2 ? KEY_Z : KEY_X});
    EXPECT_EQ(Clerk(), c.clerk);
    EXPECT_EQ(store.pauseCounter, 1);
    EXPECT_EQ(store.amountWindow.visible, 0);
    Frame({});
    EXPECT_EQ(Clerk(), "「なにがほしいんだい？」") << "the pause ran out";
    EXPECT_EQ(store.listWindow.visible, 1);
    EXPECT_EQ(Active(), &store.listWindow);
    EXPECT_EQ(party.money, c.money);
    EXPECT_EQ(party.GetItemCount(kPotion), c.owned);
    Press(KEY_Z);
    EXPECT_EQ(Active(), &store.menuWindow) << "the keys act again";
  }
}

// The sell list pages through the 256 inventory slots by rows of two.
TEST_F(StoreWindowTest, SellListScrollsByRows) {
  // Stacks in slots 0 to 39: item 10 + slot, count slot + 1.
  for (int slot = 0; slot < 40; ++slot) party.AddItem(slot + 1, 10 + slot);
  struct Step {
    int key;
    int index;
    int scroll;
  };
  const Step steps[] = {
      {KEY_DOWN, 2, 0},    {KEY_DOWN, 4, 0},   {KEY_DOWN, 6, 0},    {KEY_DOWN, 8, 0},
      {KEY_DOWN, 10, 0},   {KEY_DOWN, 12, 0},  {KEY_DOWN, 14, 0},   {KEY_DOWN, 16, 0},
      {KEY_DOWN, 18, 0},
      {KEY_DOWN, 18, 2},   // the last row: the page moves, the cursor stays
      {KEY_RIGHT, 19, 2},
      {KEY_RIGHT, 18, 4},  // past the last entry: a new row, its first entry
      {KEY_LEFT, 17, 4},   {KEY_UP, 15, 4},    {KEY_UP, 13, 4},     {KEY_UP, 11, 4},
      {KEY_UP, 9, 4},      {KEY_UP, 7, 4},     {KEY_UP, 5, 4},      {KEY_UP, 3, 4},
      {KEY_UP, 1, 4},
      {KEY_UP, 1, 2},      // the first row: the page moves back
      {KEY_LEFT, 0, 2},
      {KEY_LEFT, 1, 0},    // before the first entry: the row above, its second entry
      {KEY_LEFT, 0, 0},    {KEY_LEFT, 0, 0},   {KEY_UP, 0, 0},
  };
  Open(1, 1, 100, {kPotion});
  Press(KEY_RIGHT);
  Press(KEY_X);
  ASSERT_EQ(Active(), &store.itemWindow);
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(n++);
    Press(s.key);
    EXPECT_EQ(store.itemWindow.index, s.index);
    EXPECT_EQ(store.itemWindow.scroll, s.scroll);
    EXPECT_EQ(store.itemWindow.firstRow, s.scroll / 2);
    // The entries show the page's slots.
    EXPECT_EQ(store.itemWindow.entries[0]->text, "Item" + std::to_string(10 + s.scroll));
    EXPECT_EQ(store.itemWindow.entries[19]->value2, s.scroll + 20);
  }

  // The page ends with the 256th slot.
  store.itemWindow.scroll = 236;
  store.itemWindow.Refresh();
  store.itemWindow.SetCursorIndex(18);
  Press(KEY_DOWN);
  EXPECT_EQ(store.itemWindow.scroll, 236);
  Press(KEY_RIGHT);
  Press(KEY_RIGHT);
  EXPECT_EQ(store.itemWindow.index, 19);
  EXPECT_EQ(store.itemWindow.scroll, 236);
  Press(KEY_X);
  EXPECT_EQ(Active(), &store.itemWindow) << "an empty slot sells nothing";

  // X sells the slot under the cursor on the page shown.
  store.itemWindow.scroll = 6;
  store.itemWindow.Refresh();
  store.itemWindow.SetCursorIndex(3);
  Press(KEY_X);
  ASSERT_EQ(Active(), &store.amountWindow);
  EXPECT_EQ(store.amountWindow.item.id, 19);
  EXPECT_EQ(store.currentItemId, 19);
  EXPECT_EQ(store.amountWindow.owned, 10);
  // Selling the whole stack: it leaves the list, which shows its first page
  // with the cursor where it was.
  Press(KEY_UP);
  Press(KEY_X);
  Idle(45);  // the pause, then the frame that hands the focus back
  EXPECT_EQ(party.GetItemCount(19), 0);
  EXPECT_EQ(party.GetItem(9), nullptr);
  EXPECT_EQ(Active(), &store.itemWindow);
  EXPECT_EQ(store.itemWindow.scroll, 0);
  EXPECT_EQ(store.itemWindow.index, 3);
  EXPECT_EQ(store.itemWindow.entries[9]->value2, 0);
  EXPECT_EQ(store.itemWindow.entries[8]->text, "Item18");
}

// The drawn battle frame of member i: the colour at the middle of the
// picture at x + 5 (may equip) or x + 25 (may not), or -1 for neither.
int DrawnFrame(const CStoreWindow& store, int slot, int left) {
  const Rgb pixel =
      ScreenPixel(store.partyWindow.x + left + 12, store.partyWindow.y + 10 + 35 * slot + 12);
  for (int frame = 0; frame < 18; ++frame) {
    if (pixel == FrameColour(frame)) return frame;
  }
  return -1;
}

TEST_F(StoreWindowTest, PartyWindowMarksWhoMayEquipTheHighlightedItem) {
  ErrorMessageCapture errors;
  Open(2, 1, 100, {kSword, kRobe, kPotion});
  Press(KEY_X);
  ASSERT_EQ(store.partyWindow.visible, 1);
  struct Step {
    int key;
    int warriorLeft;  // where the warrior in slot 0 stands
    int mageLeft;     // and the white mage in slot 1
    size_t errors;
  };
  const Step steps[] = {
      {0, 5, 25, 0},         // the sword: warriors
      {KEY_DOWN, 25, 5, 0},  // the robe: white mages
      {KEY_DOWN, 25, 5, 1},  // a potion is no equipment: the robe stays
      {KEY_UP, 25, 5, 1},
      {KEY_UP, 5, 25, 1},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(n++);
    if (s.key != 0) Press(s.key);
    ClearDrawTarget(nullptr);
    store.Draw();
    EXPECT_EQ(DrawnFrame(store, 0, s.warriorLeft), 1);
    EXPECT_EQ(DrawnFrame(store, 1, s.mageLeft), 1);
    EXPECT_EQ(DrawnFrame(store, 0, 30 - s.warriorLeft), -1);
    EXPECT_EQ(errors.Messages().size(), s.errors);
  }
  EXPECT_EQ(errors.Messages()[0], "CStorePartyWindow::SetTargetItem 装備できないアイテムです");

  // While an amount is chosen the warrior steps between frames 1 and 10,
  // 20 frames each; the mage stands.
  Press(KEY_X);
  ASSERT_EQ(store.partyWindow.blink, 1);
  int frames[80];
  for (int& frame : frames) {
    Frame({});
    ClearDrawTarget(nullptr);
    store.Draw();
    frame = DrawnFrame(store, 0, 5);
    EXPECT_EQ(DrawnFrame(store, 1, 25), 1);
  }
  const int counter = store.partyWindow.frameCounter - 79;
  for (int i = 0; i < 80; ++i) {
    EXPECT_EQ(frames[i], (counter + i) % 40 < 20 ? 1 : 10) << i;
  }
  Press(KEY_Z);
  EXPECT_EQ(store.partyWindow.blink, 0);
  ClearDrawTarget(nullptr);
  store.Draw();
  EXPECT_EQ(DrawnFrame(store, 0, 5), 1);
}

}  // namespace
