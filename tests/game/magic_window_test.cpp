// The magic screen: its two type menus as one column whose ends join, X that
// changes nothing, Z that closes it and shows the owner again, the member's
// line, and the spell list that never shows.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CMagicWindow.h"
#include "CPlayerParty.h"
#include "camp_fixture.h"

namespace {

class MagicWindowTest : public WindowTest {
 protected:
  MagicWindowTest() : magic(&cursor) {}
  void SetUp() override {
    WindowTest::SetUp();
    WriteMemberFiles();
    {
      ErrorMessageCapture errors;  // the field sprites are not written
      party.Init();
      party.AddMember(1, 1);
      party.AddMember(1, 1);
    }
    ASSERT_NE(cursor.Load(), 0);
    ASSERT_EQ(magic.Init(&party, &owner), 1);
    magic.Hide();
    Open(1);
  }
  void Open(int member) {
    magic.Open(member);
    Frame({});
  }
  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    magic.Update(keyboard);
  }
  void Press(int key) {
    Frame({key});
    Frame({});
  }
  // "main 2" or "sub 0": the focused menu and its entry.
  std::string Focus() const {
    if (magic.mainMenu.active && !magic.subMenu.active) {
      return "main " + std::to_string(magic.mainMenu.index);
    }
    if (magic.subMenu.active && !magic.mainMenu.active) {
      return "sub " + std::to_string(magic.subMenu.index);
    }
    return "?";
  }
  CCursor cursor;
  CPlayerParty party;
  RecordingOwner owner;
  CMagicWindow magic;
  CManipulator keyboard;
};

TEST_F(MagicWindowTest, WindowsAndEntriesStandWhereTheScreenPutsThem) {
  struct Place {
    const CFrameWindow* window;
    int x, y, width, height;
  };
  const Place places[] = {{&magic.tag, 0, 0, 70, 28},         {&magic.desc, 70, 0, 250, 32},
                          {&magic.member, 0, 32, 320, 48},     {&magic.mainMenu, 0, 0, 70, 68},
                          {&magic.subMenu, 0, 68, 70, 68},    {&magic.spellList, 0, 80, 320, 160}};
  ASSERT_EQ(magic.windows.size(), std::size(places));
  auto it = magic.windows.begin();
  for (const Place& p : places) {
    EXPECT_EQ(*it++, p.window);
    EXPECT_EQ(p.window->x, p.x);
    EXPECT_EQ(p.window->y, p.y);
    EXPECT_EQ(p.window->width, p.width);
    EXPECT_EQ(p.window->height, p.height);
  }
  const char* mainTexts[] = {"しろまほう", "くろまほう", "じくう"};
  const char* subTexts[] = {"しょうかん", "まほうけん", "うた"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(magic.mainMenu.entries[i]->text, mainTexts[i]);
    EXPECT_EQ(magic.subMenu.entries[i]->text, subTexts[i]);
    EXPECT_EQ(magic.mainMenu.entries[i]->y, 8 + 20 * i);
  }
  ASSERT_EQ(magic.spellList.GetItemCount(), 18);
  EXPECT_EQ(magic.spellList.entries[4]->x, 120);
  EXPECT_EQ(magic.spellList.entries[4]->y, 25);
  EXPECT_EQ(magic.spellList.entries[17]->x, 210);
  EXPECT_EQ(magic.spellList.entries[17]->y, 85);
}

struct NavigationCase {
  const char* name;
  std::vector<int> keys;
  const char* focus;
};

TEST_F(MagicWindowTest, TheTwoMenusActAsOneColumnWhoseEndsJoin) {
  const NavigationCase cases[] = {
      {"opening", {}, "main 0"},
      {"UP on しろまほう moves to うた", {KEY_UP}, "sub 2"},
      {"DOWN on うた moves to しろまほう", {KEY_UP, KEY_DOWN}, "main 0"},
      {"DOWN on じくう moves to しょうかん the first time", {KEY_DOWN, KEY_DOWN, KEY_DOWN},
       "sub 0"},
      {"UP on しょうかん moves to じくう", {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_UP}, "main 2"},
      {"DOWN on じくう moves to the sub entry last used",
       {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN},
       "sub 2"},
      {"X changes nothing", {KEY_DOWN, KEY_X}, "main 1"},
  };
  for (const NavigationCase& c : cases) {
    SCOPED_TRACE(c.name);
    magic.Hide();
    magic.mainMenu.SetCursorIndex(0);
    magic.subMenu.SetCursorIndex(0);
    Open(1);
    for (int key : c.keys) Press(key);
    EXPECT_EQ(Focus(), c.focus);
    EXPECT_EQ(magic.visible, 1);
    EXPECT_EQ(owner.shown, 0);
  }
}

TEST_F(MagicWindowTest, ZOnEitherMenuClosesAndShowsTheOwnerAgain) {
  for (const std::vector<int>& keys :
       {std::vector<int>{KEY_Z}, std::vector<int>{KEY_UP, KEY_Z}}) {
    owner.shown = 0;
    Open(0);
    for (int key : keys) Press(key);
    EXPECT_EQ(magic.visible, 0);
    EXPECT_EQ(owner.shown, 1);
    for (const CFrameWindow* window : magic.windows) EXPECT_EQ(window->visible, 0);
    // A hidden screen takes no keys.
    Press(KEY_Z);
    EXPECT_EQ(owner.shown, 1);
  }
}

TEST_F(MagicWindowTest, MemberLineShowsTheChosenMember) {
  CPlayerChar& member = *party.GetMember(1);
  member.level = 12;
  member.job = JOB_BLACK_MAGE;
  member.jobLevel = 3;
  member.hp = 7;
  member.mp = 3;
  snprintf(member.name, sizeof member.name, "%s", "マリア");
  EXPECT_EQ(magic.member.Texts(), (std::vector<WindowText>{
                                      {50, 40, "マリア"},
                                      {107, 40, "ＬＶ   12"},
                                      {195, 40, "くろまどうし"},
                                      {50, 52, "ＨＰ　　   7 ／   40"},
                                      {195, 52, "Ｌ　3\t   0 ／    0"},
                                      {50, 64, "ＭＰ　　   3 ／   10"},
                                  }));
  member.name[0] = '\0';
  EXPECT_EQ(magic.member.Texts()[0].text, "?");
  magic.memberIndex = 3;  // an empty slot
  EXPECT_TRUE(magic.member.Texts().empty());
}

TEST_F(MagicWindowTest, FallenMemberShowsTheStandingFrameAndTheSpellListNeverShows) {
  party.GetMember(1)->hp = 0;
  for (int key : {KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_X}) Press(key);
  EXPECT_EQ(magic.spellList.visible, 0);
  EXPECT_EQ(magic.spellList.active, 0);
  // The picture alone: on the screen the type menu covers it.
  ClearDrawTarget(nullptr);
  magic.member.Draw();
  EXPECT_EQ(ScreenPixel(10 + 12, 32 + 8 + 12), kStandingColour);
  ClearDrawTarget(nullptr);
  magic.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kDownArrowColour));
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kUpArrowColour));
  // The type menus over the left end of the tag and the member line.
  EXPECT_EQ(ScreenPixel(0, 68), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_TRUE(AnyPixelIs(10, 8, 70, 68, kWhite));
  magic.Hide();
  ClearDrawTarget(nullptr);
  magic.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, SkinChipPixel(CHIP_TOP_LEFT, 0, 0)));
}

}  // namespace
