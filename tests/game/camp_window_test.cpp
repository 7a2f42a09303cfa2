// The camp: its states driven by key presses, party arrangement, choosing a
// member for a screen (also with empty slots or nobody at all), the play time
// and money texts, the dim boxes while the party is arranged, and what the
// game object does with the camp.
#include <direct.h>
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCampWindow.h"
#include "CGame.h"
#include "CPlayerParty.h"
#include "system/system_state.h"
#include "camp_fixture.h"

namespace {

// The camp's states as its table names them, read from the focus, the
// formation tag and the choose-for-screen flag.
std::string CampState(const CCampWindow& camp) {
  if (!camp.visible) {
    const bool subScreen = camp.item.visible || camp.magic.visible || camp.equip.visible ||
                           camp.status.visible;
    return subScreen ? "Sub-screen" : "Closed";
  }
  if (camp.menu.active) return "Camp menu";
  if (camp.jobAbility.active) return "Job menu";
  if (camp.partyWindow.active) {
    if (camp.partyWindow.chooseForScreen) return "Choosing";
    return camp.formation.visible ? "Arranging" : "?";
  }
  return "no focus";
}

class CampTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WriteMemberFiles();
    SetMembers(kPartyMemberSlots);
    ASSERT_NE(game.cursor.Load(), 0);
    ASSERT_EQ(game.camp.Init(&game.party), 1);
    game.camp.Hide();
    game.SetMode();
    OpenCamp();
  }
  void TearDown() override {
    game.party.ClearMembers();
    WindowTest::TearDown();
  }
  // A party of count members of character 1 in the first slots.
  void SetMembers(int count) {
    ErrorMessageCapture errors;  // the field sprites are not written
    game.party.Init();
    for (int i = 0; i < count; ++i) game.party.AddMember(1, 1);
    const char* names[] = {"A", "B", "C", "D"};
    for (int i = 0; i < count; ++i) snprintf(game.party.GetMember(i)->name, 8, "%s", names[i]);
  }
  // What the game does on S on the field.
  void OpenCamp() {
    game.camp.Open();
    game.PushMode(MODE_CAMP);
    Frame({});
  }
  void Frame(std::initializer_list<int> held) {
    PressKeys(&game.keyboard, held);
    game.camp.Update(game.keyboard);
  }
  // The key for one frame, then a frame with no key.
  void Press(int key) {
    Frame({key});
    Frame({});
  }
  void PressAll(const std::vector<int>& keys) {
    for (int key : keys) Press(key);
  }
  // Members only in the listed slots (in ascending order).
  void PlaceMembers(const std::vector<int>& occupied) {
    SetMembers(static_cast<int>(occupied.size()));
    // From the last one down, so no member is moved twice.
    for (int i = static_cast<int>(occupied.size()) - 1; i >= 0; --i) {
      if (occupied[i] != i) game.party.SwapMembers(i, occupied[i]);
    }
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < kPartyMemberSlots; ++i) {
      const CPlayerChar* member = game.party.GetMember(i);
      names.push_back(member != nullptr ? member->name : "-");
    }
    return names;
  }
  CGame game;
  CCampWindow& camp = game.camp;
};

struct TransitionCase {
  const char* name;
  std::vector<int> keys;
  const char* state;
  int index;  // the focused menu's index; -1 when none is checked
};

TEST_F(CampTest, KeySequencesWalkTheCampStates) {
  const TransitionCase cases[] = {
      {"nothing pressed", {}, "Camp menu", 0},
      {"S closes", {KEY_S}, "Closed", -1},
      {"Z closes", {KEY_Z}, "Closed", -1},
      {"UP on the first entry goes to アビリティ", {KEY_UP}, "Job menu", 1},
      {"DOWN on アビリティ returns to the entry left", {KEY_UP, KEY_DOWN}, "Camp menu", 0},
      {"UP on ジョブ lands on セーブ", {KEY_UP, KEY_UP, KEY_UP}, "Camp menu", 5},
      {"DOWN on セーブ lands on ジョブ",
       {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN},
       "Job menu",
       0},
      {"DOWN on ジョブ moves within the menu", {KEY_UP, KEY_UP, KEY_DOWN}, "Job menu", 1},
      {"DOWN from アビリティ returns to セーブ where the camp menu was left",
       {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN},
       "Camp menu",
       5},
      {"X on ジョブ does nothing", {KEY_UP, KEY_UP, KEY_X}, "Job menu", 0},
      {"X on アビリティ does nothing", {KEY_UP, KEY_X}, "Job menu", 1},
      {"Z in the job menu does nothing", {KEY_UP, KEY_Z}, "Job menu", 1},
      {"S in the job menu closes", {KEY_UP, KEY_S}, "Closed", -1},
      {"LEFT starts arranging", {KEY_LEFT}, "Arranging", 0},
      {"LEFT in the job menu starts arranging", {KEY_UP, KEY_LEFT}, "Arranging", 0},
      {"S does not close while arranging", {KEY_LEFT, KEY_S}, "Arranging", 0},
      {"Z with no mark ends arranging", {KEY_LEFT, KEY_Z}, "Camp menu", 0},
      {"RIGHT ends arranging", {KEY_LEFT, KEY_RIGHT}, "Camp menu", 0},
      {"arranging ends in the job menu it started from", {KEY_UP, KEY_LEFT, KEY_Z}, "Job menu", 1},
      {"RIGHT back to the job menu", {KEY_UP, KEY_LEFT, KEY_RIGHT}, "Job menu", 1},
      {"Z with a mark only clears it", {KEY_LEFT, KEY_X, KEY_Z}, "Arranging", 0},
      {"X on まほう asks for a member", {KEY_DOWN, KEY_X}, "Choosing", 0},
      {"X on そうび asks for a member", {KEY_DOWN, KEY_DOWN, KEY_X}, "Choosing", 0},
      {"X on ステータス asks for a member", {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X}, "Choosing", 0},
      {"S does not close while choosing", {KEY_DOWN, KEY_X, KEY_S}, "Choosing", 0},
      {"RIGHT does not end the choice", {KEY_DOWN, KEY_X, KEY_RIGHT}, "Choosing", 0},
      {"Z while choosing returns to the camp menu", {KEY_DOWN, KEY_X, KEY_Z}, "Camp menu", 1},
      {"Z while choosing returns to the job menu after an arrangement begun there",
       {KEY_UP, KEY_LEFT, KEY_Z, KEY_DOWN, KEY_DOWN, KEY_X, KEY_Z},
       "Job menu",
       1},
      {"X on アイテム opens the item screen at once", {KEY_X}, "Sub-screen", -1},
      {"the item screen's Z on its menu shows the camp again", {KEY_X, KEY_Z, KEY_Z}, "Camp menu",
       0},
      {"a member for magic opens the magic screen", {KEY_DOWN, KEY_X, KEY_X}, "Sub-screen", -1},
      {"a member for equipment opens the equipment screen", {KEY_DOWN, KEY_DOWN, KEY_X, KEY_X},
       "Sub-screen", -1},
      {"the equipment screen's Z on its menu shows the camp again",
       {KEY_DOWN, KEY_DOWN, KEY_X, KEY_X, KEY_Z},
       "Camp menu",
       2},
      {"a member for status opens the status screen",
       {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X, KEY_DOWN, KEY_X},
       "Sub-screen",
       -1},
      {"the magic screen's Z shows the camp with its cursor kept",
       {KEY_DOWN, KEY_X, KEY_X, KEY_Z},
       "Camp menu",
       1},
      {"the status screen's Z shows the camp with its cursor kept",
       {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X, KEY_X, KEY_Z},
       "Camp menu",
       3},
      {"コンフィグ leaves the camp as it was", {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X},
       "Camp menu", 4},
      {"セーブ leaves the camp as it was",
       {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X},
       "Camp menu",
       5},
  };
  for (const TransitionCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case starts from a freshly opened camp.
    if (camp.visible) camp.Close();
    camp.item.Show(0);
    camp.magic.Hide();
    camp.equip.Show(0);
    camp.status.Hide();
    camp.returnMenu = nullptr;
    camp.partyWindow.SetActive(0);
    camp.partyWindow.chooseForScreen = 0;
    camp.partyWindow.marked = 0;
    camp.menu.memberChoice = 0;
    game.cursor.ClearMarks();
    game.SetMode();
    OpenCamp();
    PressAll(c.keys);
    EXPECT_EQ(CampState(camp), c.state);
    if (c.index >= 0) {
      const CMenuWindow* focused = &camp.partyWindow;
      if (camp.menu.active) focused = &camp.menu;
      if (camp.jobAbility.active) focused = &camp.jobAbility;
      EXPECT_EQ(focused->index, c.index);
    }
    const bool closed = CampState(camp) == "Closed";
    EXPECT_EQ(game.GetMode(), closed ? MODE_FIELD : MODE_CAMP);
    if (closed) {
      EXPECT_EQ(game.cursor.visible, 0);
      EXPECT_TRUE(game.cursor.marks.empty());
      for (const CFrameWindow* window : camp.windows) EXPECT_EQ(window->visible, 0);
    }
  }
}

TEST_F(CampTest, ChoosingMarksTheEntryAndReportsTheRowToTheScreen) {
  PressAll({KEY_DOWN, KEY_X});
  ASSERT_EQ(game.cursor.marks.size(), 1u);
  EXPECT_EQ(game.cursor.marks[0].x, 250 + 8 - 12);
  EXPECT_EQ(game.cursor.marks[0].y, 50 + 26 - 3);
  EXPECT_EQ(camp.menu.memberChoice, 1);
  PressAll({KEY_DOWN, KEY_DOWN, KEY_X});
  EXPECT_EQ(CampState(camp), "Sub-screen");
  EXPECT_EQ(camp.magic.memberIndex, 2);
  EXPECT_TRUE(game.cursor.marks.empty());
  EXPECT_EQ(camp.menu.memberChoice, 0);
  EXPECT_EQ(camp.partyWindow.chooseForScreen, 0);
  for (const CFrameWindow* window : camp.windows) EXPECT_EQ(window->visible, 0);
  EXPECT_EQ(camp.magic.spellList.visible, 0);
  Frame({});
  EXPECT_EQ(camp.magic.mainMenu.active, 1);
  // The camp's keys do not act while the screen is open.
  Press(KEY_S);
  EXPECT_EQ(CampState(camp), "Sub-screen");
  EXPECT_EQ(game.GetMode(), MODE_CAMP);
}

struct OpenCase {
  const char* name;
  std::vector<int> keys;
  const CCoWndManager* (*screen)(const CCampWindow&);
  const int32_t* (*member)(const CCampWindow&);  // null for the item screen
  int row;
};

TEST_F(CampTest, EachEntryOpensItsScreenForTheChosenRow) {
  const OpenCase cases[] = {
      {"item", {KEY_X}, [](const CCampWindow& c) -> const CCoWndManager* { return &c.item; },
       nullptr, 0},
      {"magic", {KEY_DOWN, KEY_X, KEY_DOWN, KEY_X},
       [](const CCampWindow& c) -> const CCoWndManager* { return &c.magic; },
       [](const CCampWindow& c) { return &c.magic.memberIndex; }, 1},
      {"equipment", {KEY_DOWN, KEY_DOWN, KEY_X, KEY_UP, KEY_X},
       [](const CCampWindow& c) -> const CCoWndManager* { return &c.equip; },
       [](const CCampWindow& c) { return &c.equip.memberIndex; }, 3},
      {"status", {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X, KEY_DOWN, KEY_DOWN, KEY_X},
       [](const CCampWindow& c) -> const CCoWndManager* { return &c.status; },
       [](const CCampWindow& c) { return &c.status.memberIndex; }, 2},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    camp.Close();
    camp.partyWindow.SetCursorIndex(0);
    game.SetMode();
    OpenCamp();
    PressAll(c.keys);
    const CCoWndManager* screens[] = {&camp.item, &camp.magic, &camp.equip, &camp.status,
                                      &camp.save};
    for (const CCoWndManager* screen : screens) {
      EXPECT_EQ(screen->visible, screen == c.screen(camp) ? 1 : 0);
      for (const CFrameWindow* window : screen->windows) {
        if (screen != c.screen(camp)) {
          EXPECT_EQ(window->visible, 0);
        }
      }
    }
    EXPECT_EQ(camp.visible, 0);
    for (const CFrameWindow* window : camp.windows) EXPECT_EQ(window->visible, 0);
    if (c.member != nullptr) {
      EXPECT_EQ(*c.member(camp), c.row);
    }
    EXPECT_EQ(game.GetMode(), MODE_CAMP);
    camp.item.Show(0);
    camp.magic.Hide();
    camp.equip.Show(0);
    camp.status.Hide();
    camp.visible = 1;
  }
}

TEST_F(CampTest, TwoRowsSwapAndOneRowTwiceChangesTheBattleRow) {
  Press(KEY_LEFT);
  Press(KEY_X);
  ASSERT_EQ(game.cursor.marks.size(), 1u);
  EXPECT_EQ(game.cursor.marks[0].x, 20 - 12);
  EXPECT_EQ(game.cursor.marks[0].y, 43 - 3);
  PressAll({KEY_DOWN, KEY_DOWN, KEY_X});
  EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B", "A", "D"}));
  EXPECT_TRUE(game.cursor.marks.empty());
  EXPECT_EQ(camp.partyWindow.marked, 0);

  // UP from the first row wraps to the last.
  PressAll({KEY_UP, KEY_UP, KEY_UP, KEY_X, KEY_X});
  EXPECT_EQ(game.party.GetMember(3)->backRow, 1);
  PressAll({KEY_X, KEY_X});
  EXPECT_EQ(game.party.GetMember(3)->backRow, 0);
  game.party.GetMember(3)->backRow = 7;  // any value but 0 is the back row
  PressAll({KEY_X, KEY_X});
  EXPECT_EQ(game.party.GetMember(3)->backRow, 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B", "A", "D"}));
}

TEST_F(CampTest, RowsSwapWithAnEmptySlot) {
  camp.Close();
  SetMembers(3);
  OpenCamp();
  PressAll({KEY_LEFT, KEY_UP, KEY_X, KEY_UP, KEY_UP, KEY_UP, KEY_X});
  EXPECT_EQ(Names(), (std::vector<std::string>{"-", "B", "C", "A"}));
  // The empty row marked twice changes nothing.
  PressAll({KEY_X, KEY_X});
  EXPECT_EQ(Names(), (std::vector<std::string>{"-", "B", "C", "A"}));
}

TEST_F(CampTest, RightKeepsAPendingMarkForTheNextArrangement) {
  PressAll({KEY_LEFT, KEY_X, KEY_RIGHT});
  EXPECT_EQ(CampState(camp), "Camp menu");
  EXPECT_EQ(camp.partyWindow.marked, 1);
  EXPECT_EQ(game.cursor.marks.size(), 1u);
  PressAll({KEY_LEFT, KEY_DOWN, KEY_X});
  EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A", "C", "D"}));
}

struct SkipCase {
  const char* name;
  std::vector<int> occupied;  // slots holding a member
  int startRow;
  std::vector<int> keys;  // pressed after the choice has begun
  int row;                // where the cursor rests
};

TEST_F(CampTest, ChoosingAMemberNeverRestsOnAnEmptyRow) {
  const SkipCase cases[] = {
      {"DOWN over an empty row", {0, 2}, 0, {KEY_DOWN}, 2},
      {"DOWN past the last row continues at row 0", {0, 2}, 0, {KEY_DOWN, KEY_DOWN}, 0},
      {"UP from row 0 wraps and skips upwards", {0, 2}, 0, {KEY_UP}, 2},
      {"an empty row 0 at the start moves down", {1, 3}, 0, {}, 1},
      {"UP onto an empty row 0 continues at the last row", {1, 2, 3}, 1, {KEY_UP}, 3},
      {"a single member is always found", {3}, 1, {KEY_UP, KEY_DOWN}, 3},
  };
  for (const SkipCase& c : cases) {
    SCOPED_TRACE(c.name);
    camp.Close();
    PlaceMembers(c.occupied);
    OpenCamp();
    PressAll({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X});  // ステータス
    camp.partyWindow.SetCursorIndex(c.startRow);
    Frame({});
    PressAll(c.keys);
    EXPECT_EQ(CampState(camp), "Choosing");
    EXPECT_EQ(camp.partyWindow.index, c.row);
    Press(KEY_X);
    EXPECT_EQ(CampState(camp), "Sub-screen");
    EXPECT_EQ(camp.status.memberIndex, c.row);
    camp.status.Hide();
  }
}

TEST_F(CampTest, WithNobodyInThePartyNoMemberIsChosen) {
  camp.Close();
  game.party.Init();
  OpenCamp();
  PressAll({KEY_DOWN, KEY_X});
  EXPECT_EQ(CampState(camp), "Choosing");
  PressAll({KEY_DOWN, KEY_UP, KEY_X});
  EXPECT_EQ(CampState(camp), "Choosing") << "nobody to choose";
  EXPECT_EQ(camp.magic.visible, 0);
  Press(KEY_Z);
  EXPECT_EQ(CampState(camp), "Camp menu");
}

struct PlayTimeCase {
  int64_t seconds;
  const char* text;
};

TEST(CampPlayTimeTest, HoursAndMinutesWithinTheHour) {
  const PlayTimeCase cases[] = {
      {0, "00 : 00"},          {59, "00 : 00"},         {3599, "00 : 59"},
      {3900, "01 : 05"},       {360000, "100 : 00"},    {363540, "100 : 59"},
      // The seconds are taken as an unsigned 32-bit count.
      {-1, "1193046 : 28"},    {4294967296 + 3900, "01 : 05"},
  };
  for (const PlayTimeCase& c : cases) EXPECT_EQ(FormatPlayTime(c.seconds), c.text) << c.seconds;
}

TEST_F(CampTest, TimeAndMoneyTextsStandWhereTheWindowsAre) {
  game.playTime = 3900;
  game.party.money = 1234567;
  EXPECT_EQ(camp.playTime.Texts(),
            (std::vector<WindowText>{{252, 177, "TIME"}, {275, 187, "01 : 05"}}));
  EXPECT_EQ(camp.gill.Texts(),
            (std::vector<WindowText>{{258, 211, "  1234567"}, {290, 223, "ギル"}}));
  game.party.money = kMaxMoney;
  EXPECT_EQ(camp.gill.Texts()[0].text, "  9999999");
}

TEST_F(CampTest, RowsShowTheMembersValues) {
  CPlayerChar& member = *game.party.GetMember(1);
  member.job = JOB_BLACK_MAGE;
  member.level = 12;
  member.hp = 7;
  member.mp = 3;
  EXPECT_EQ(camp.partyWindow.RowTexts(1),
            (std::vector<WindowText>{{20, 70, "B"},
                                     {95, 70, "くろまどうし"},
                                     {25, 81, "ＬＶ   12"},
                                     {110, 97, "ＨＰ　   7 ／   40"},
                                     {110, 106, "ＭＰ　   3 ／   10"}}));
  member.name[0] = '\0';
  member.job = 9;
  EXPECT_EQ(camp.partyWindow.RowTexts(1)[0].text, "?");
  EXPECT_EQ(camp.partyWindow.RowTexts(1)[1].text, "ふめい");
  const char* jobs[] = {"すっぴん", "せんし", "くろまどうし", "しろまどうし"};
  for (int job = 0; job < 4; ++job) {
    member.job = job;
    EXPECT_EQ(camp.partyWindow.RowTexts(1)[1].text, jobs[job]);
  }
  camp.Close();
  SetMembers(1);
  EXPECT_TRUE(camp.partyWindow.RowTexts(1).empty());
}

TEST_F(CampTest, PicturesMoveRightInTheBackRowAndShowFrameTwelveWhenFallen) {
  CPlayerChar& first = *game.party.GetMember(0);
  CPlayerChar& second = *game.party.GetMember(1);
  second.hp = 0;
  auto draw = [&] {
    ClearDrawTarget(nullptr);
    camp.Draw();
  };
  draw();
  EXPECT_EQ(ScreenPixel(20 + 12, 35 + 12), kStandingColour);
  EXPECT_EQ(ScreenPixel(20 + 12, 35 + 55 + 12), kFallenColour);
  EXPECT_NE(ScreenPixel(40 + 22, 35 + 12), kStandingColour);
  // Marking the first row twice moves it to the back row: 20 px right.
  PressAll({KEY_LEFT, KEY_X, KEY_X});
  ASSERT_EQ(first.backRow, 1);
  draw();
  EXPECT_EQ(ScreenPixel(40 + 22, 35 + 12), kStandingColour);
  EXPECT_NE(ScreenPixel(20 + 2, 35 + 12), kStandingColour);
  PressAll({KEY_X, KEY_X});
  draw();
  EXPECT_EQ(ScreenPixel(20 + 2, 35 + 12), kStandingColour);
}

// The camp drawn as it stands, read back over a rectangle.
std::vector<Rgb> Capture(int left, int top, int right, int bottom) {
  std::vector<Rgb> pixels;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) pixels.push_back(ScreenPixel(x, y));
  }
  return pixels;
}

struct DimCase {
  const char* window;
  int left, top, right, bottom;
  int alpha;  // 0: not dimmed
};

TEST_F(CampTest, ArrangingDimsEveryWindowButTheParty) {
  game.playTime = 3900;
  game.party.money = 2000;
  // The formation tag covers the job menu's upper 28 rows, and the cursor
  // stands left of the menus or of the party rows.
  const DimCase cases[] = {
      {"job menu", 250, 28, 320, 50, 128},
      {"camp menu", 250, 50, 320, 170, 96},
      {"play time", 245, 170, 320, 205, 128},
      {"money", 240, 205, 320, 240, 128},
      {"party rows", 30, 95, 240, 240, 0},
  };
  ClearDrawTarget(nullptr);
  camp.Draw();
  std::vector<std::vector<Rgb>> lit;
  for (const DimCase& c : cases) lit.push_back(Capture(c.left, c.top, c.right, c.bottom));
  WritePngFile(std::string(TEST_ARTIFACT_DIR) + "/game_camp_fixture_menu.png", 320, 240,
               ScreenPixel);

  Press(KEY_LEFT);
  ASSERT_EQ(CampState(camp), "Arranging");
  EXPECT_EQ(camp.menu.lit, 0);
  EXPECT_EQ(camp.jobAbility.lit, 0);
  EXPECT_EQ(camp.playTime.lit, 0);
  EXPECT_EQ(camp.gill.lit, 0);
  ClearDrawTarget(nullptr);
  camp.Draw();
  for (size_t i = 0; i < std::size(cases); ++i) {
    const DimCase& c = cases[i];
    SCOPED_TRACE(c.window);
    const std::vector<Rgb> dimmed = Capture(c.left, c.top, c.right, c.bottom);
    int wrong = 0;
    for (size_t p = 0; p < dimmed.size(); ++p) {
      // A black box at alpha a keeps (255 - a) / 255 of the colour below.
      const auto expected = [&](int value) { return value * (255 - c.alpha) / 255; };
      const Rgb& before = lit[i][p];
      const Rgb& after = dimmed[p];
      if (abs(after.red - expected(before.red)) > 2 ||
          abs(after.green - expected(before.green)) > 2 ||
          abs(after.blue - expected(before.blue)) > 2) {
        ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
  // The formation tag and its text.
  EXPECT_EQ(ScreenPixel(250, 0), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_TRUE(AnyPixelIs(262, 8, 310, 22, kWhite));
  Press(KEY_Z);
  EXPECT_EQ(camp.menu.lit, 1);
  EXPECT_EQ(camp.formation.visible, 0);
}

TEST_F(CampTest, HiddenCampDrawsOnlyTheOpenScreen) {
  PressAll({KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X, KEY_X});
  ASSERT_EQ(camp.status.visible, 1);
  ClearDrawTarget(nullptr);
  camp.Draw();
  // The status title where the camp's job menu would be.
  EXPECT_EQ(ScreenPixel(250, 0), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_EQ(ScreenPixel(210, 30), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_NE(ScreenPixel(250, 50), SkinChipPixel(CHIP_TOP_LEFT, 0, 0)) << "no camp menu";
  Press(KEY_Z);
  EXPECT_EQ(camp.status.visible, 0);
  ClearDrawTarget(nullptr);
  camp.Draw();
  EXPECT_EQ(ScreenPixel(250, 50), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
}

using GameCampTest = CampTest;

TEST_F(GameCampTest, SOnTheFieldOpensTheCampAndTheGameRunsAndDrawsIt) {
  camp.Close();
  game.party.Init();  // no player on the field: the field step moves nobody
  ASSERT_EQ(game.GetMode(), MODE_FIELD);
  // Inactive, the game keeps the keys pressed here instead of reading the
  // keyboard; the library's drawing waits while inactive, so only for the update.
  const auto frame = [&](std::initializer_list<int> held) {
    PressKeys(&game.keyboard, held);
    GetSystemState().run.active = 0;
    game.Update();
    GetSystemState().run.active = 1;
  };
  game.waitState = WAIT_MESSAGE;
  frame({KEY_S});
  EXPECT_EQ(game.GetMode(), MODE_FIELD) << "a waiting script keeps the camp shut";
  game.waitState = WAIT_NONE;
  frame({});
  game.map.scrollX = 4;
  frame({KEY_S});
  EXPECT_EQ(game.GetMode(), MODE_FIELD) << "not while the map scrolls";
  game.map.scrollX = 0;
  frame({});
  camp.menu.SetCursorIndex(3);
  frame({KEY_S});
  EXPECT_EQ(game.GetMode(), MODE_CAMP);
  EXPECT_EQ(camp.visible, 1);
  EXPECT_EQ(camp.menu.index, 0);
  frame({});
  EXPECT_EQ(camp.menu.active, 1);
  EXPECT_EQ(game.cursor.visible, 1);
  ClearDrawTarget(nullptr);
  game.Draw();
  EXPECT_EQ(ScreenPixel(250, 50), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  frame({KEY_S});
  EXPECT_EQ(game.GetMode(), MODE_FIELD);
  EXPECT_EQ(camp.visible, 0);
}

// The camp and its screens with the game's own pictures and tables, kept as
// artefacts for a person to look at.
class CampScreenshotTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    SetGameDataFolder(RepositoryDataFolder().c_str());
    CDataManager::GetInstance().windowSkinLoaded = 0;
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }
  void TearDown() override {
    CDataManager::GetInstance().windowSkinLoaded = 0;
    SetGameDataFolder("..\\data");
    StartedLibraryTest::TearDown();
  }
  void Shot(CGame& game, const char* name) {
    ClearDrawTarget(nullptr);
    game.Draw();
    WritePngFile(std::string(TEST_ARTIFACT_DIR) + "/" + name, 320, 240, ScreenPixel);
  }
};

TEST_F(CampScreenshotTest, CampMenuArrangementMagicAndStatus) {
  CGame game;
  {
    ErrorMessageCapture errors;
    game.party.Init();
    for (int n = 1; n <= kPartyMemberSlots; ++n) game.party.AddMember(n, n);
    ASSERT_TRUE(errors.Messages().empty()) << errors.Messages()[0];
  }
  const int jobs[] = {JOB_NONE, JOB_BLACK_MAGE, JOB_WARRIOR, JOB_WHITE_MAGE};
  for (int i = 0; i < kPartyMemberSlots; ++i) game.party.GetMember(i)->job = jobs[i];
  game.party.GetMember(2)->hp = 0;
  game.party.GetMember(3)->backRow = 1;
  game.party.money = 2000;
  game.playTime = 3900;
  ASSERT_NE(game.cursor.Load(), 0);
  game.camp.Init(&game.party);
  game.camp.Hide();
  game.SetMode();
  game.camp.Open();
  game.PushMode(MODE_CAMP);
  CManipulator& keyboard = game.keyboard;
  const auto press = [&](int key) {
    for (std::initializer_list<int> held : {std::initializer_list<int>{key}, {}}) {
      PressKeys(&keyboard, held);
      game.camp.Update(keyboard);
    }
  };
  PressKeys(&keyboard, {});
  game.camp.Update(keyboard);  // the focus on the camp menu
  Shot(game, "game_camp.png");
  EXPECT_TRUE(AnyPixelIs(260, 60, 320, 160, kWhite)) << "the menu's texts";
  press(KEY_LEFT);
  press(KEY_DOWN);
  press(KEY_X);
  Shot(game, "game_camp_arranging.png");
  press(KEY_Z);
  press(KEY_Z);
  press(KEY_DOWN);
  press(KEY_X);
  Shot(game, "game_camp_choosing.png");
  press(KEY_DOWN);
  press(KEY_X);
  ASSERT_EQ(game.camp.magic.visible, 1);
  Shot(game, "game_camp_magic.png");
  press(KEY_Z);
  press(KEY_DOWN);
  press(KEY_DOWN);
  press(KEY_X);
  press(KEY_X);
  ASSERT_EQ(game.camp.status.visible, 1);
  Shot(game, "game_camp_status.png");
  EXPECT_TRUE(AnyPixelIs(40, 120, 200, 200, kWhite)) << "the values";
  game.party.ClearMembers();
}

}  // namespace
