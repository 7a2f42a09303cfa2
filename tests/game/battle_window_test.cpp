// The battle's windows: the command menus and what they report to their
// owner, the victory pages of the info window, the enemy list's lines, and
// the party window's rows and gauges.
#include <direct.h>
#include <stdio.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BattleAction.h"
#include "CBattleCmdSubWindow.h"
#include "CBattleCmdWindow.h"
#include "CBattleInfoWindow.h"
#include "CCoWndManager.h"
#include "CCursor.h"
#include "CEnemy.h"
#include "CEnemyPartyWindow.h"
#include "CPlayerBattle.h"
#include "CPlayerChar.h"
#include "CPlayerPartyWindow.h"
#include "window_fixture.h"

namespace {

struct Report {
  CFrameWindow* window;
  int value;  // -1 for a cancel
  bool operator==(const Report&) const = default;
};

// Stands in for the battle: records the decisions and, like the battle, closes
// the sub-command menu on its cancel.
class TestBattle : public CCoWndManager {
 public:
  explicit TestBattle(CCursor* cursor) : command(cursor), sub(cursor) {
    windows.push_back(&command);
    windows.push_back(&sub);
  }
  int Load() override { return 0; }
  void Release() override {}
  void OnSelect(CFrameWindow* window, int value) override { reports.push_back({window, value}); }
  void OnCancel(CFrameWindow* window) override {
    reports.push_back({window, -1});
    if (window == &sub) {
      sub.SetVisible(0);
      SetFocus(&command);
    }
  }
  CBattleCmdWindow command;
  CBattleCmdSubWindow sub;
  std::vector<Report> reports;
};

class BattleMenuTest : public WindowTest {
 protected:
  BattleMenuTest() : battle(&cursor) {}
  void SetUp() override {
    WindowTest::SetUp();
    battle.command.owner = &battle;
    battle.command.x = 25;
    battle.command.y = 170;
    battle.command.width = 90;
    battle.command.height = 70;
    ASSERT_EQ(battle.command.CopyWindowSkin(), 1);
    ASSERT_EQ(battle.sub.Init(&battle), 1);
    const int32_t commands[4] = {CMD_FIGHT, 0, 0, CMD_ITEM};
    battle.command.SetCommands(commands);
    battle.command.SetVisible(1);
    battle.sub.SetVisible(0);
    battle.SetFocus(&battle.command);
    Frame({});
  }
  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    battle.Control(keyboard);
  }
  // Presses the key for one frame and lets it go.
  void Press(int key) {
    Frame({key});
    Frame({});
  }
  CCursor cursor;
  TestBattle battle;
  CManipulator keyboard;
};

TEST_F(BattleMenuTest, CommandRowsKeepTheirPlaceAndTheCursorSkipsEmptyOnes) {
  CBattleCmdWindow& command = battle.command;
  ASSERT_EQ(command.GetItemCount(), 2);
  EXPECT_EQ(command.entries[0]->id, CMD_FIGHT);
  EXPECT_EQ(command.entries[0]->text, "たたかう");
  EXPECT_EQ(command.entries[0]->y, 8);
  EXPECT_EQ(command.entries[1]->id, CMD_ITEM);
  EXPECT_EQ(command.entries[1]->text, "アイテム");
  EXPECT_EQ(command.entries[1]->x, 10);
  EXPECT_EQ(command.entries[1]->y, 53);
  const int32_t odd[4] = {7, CMD_DEFEND, 0, 0};
  command.SetCommands(odd);
  ASSERT_EQ(command.GetItemCount(), 2);
  EXPECT_EQ(command.entries[0]->text, "ふめい");
  EXPECT_EQ(command.entries[1]->y, 23);
  const int32_t usual[4] = {CMD_FIGHT, 0, 0, CMD_ITEM};
  command.SetCommands(usual);

  EXPECT_EQ(command.active, 1);
  Press(KEY_DOWN);
  EXPECT_EQ(command.index, 1);
  EXPECT_EQ(cursor.y, 170 + 53);
  Press(KEY_X);
  Press(KEY_UP);
  Press(KEY_X);
  EXPECT_EQ(battle.reports, (std::vector<Report>{{&command, CMD_ITEM}, {&command, CMD_FIGHT}}));
}

TEST_F(BattleMenuTest, SubCommandMenuHoldsDefendPassAndChange) {
  const CBattleCmdSubWindow& sub = battle.sub;
  EXPECT_EQ(sub.owner, &battle);
  EXPECT_EQ(sub.x, 115);
  EXPECT_EQ(sub.y, 170);
  EXPECT_EQ(sub.width, 90);
  EXPECT_EQ(sub.height, 55);
  ASSERT_EQ(sub.GetItemCount(), 3);
  const struct {
    int id;
    const char* text;
  } expected[] = {{CMD_DEFEND, "ぼうぎょ"}, {CMD_PASS, "パス"}, {CMD_CHANGE, "チェンジ"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sub.entries[i]->id, expected[i].id);
    EXPECT_EQ(sub.entries[i]->text, expected[i].text);
    EXPECT_EQ(sub.entries[i]->enabled, 1);
    EXPECT_EQ(sub.entries[i]->x, 10);
    EXPECT_EQ(sub.entries[i]->y, 8 + 15 * i);
  }
}

TEST_F(BattleMenuTest, RightOpensTheSubCommandMenuAndLeftClosesIt) {
  CBattleCmdWindow& command = battle.command;
  CBattleCmdSubWindow& sub = battle.sub;
  sub.index = 2;  // its entry from an earlier turn
  Press(KEY_RIGHT);
  EXPECT_EQ(sub.visible, 1);
  EXPECT_EQ(sub.active, 1);
  EXPECT_EQ(command.active, 0);
  EXPECT_EQ(command.visible, 1);
  EXPECT_EQ(cursor.x, 115 + 10 - 16);
  EXPECT_EQ(cursor.y, 170 + 38);
  Press(KEY_UP);
  EXPECT_EQ(sub.index, 1);
  Press(KEY_X);  // pass, reported
  Press(KEY_LEFT);
  EXPECT_EQ(sub.visible, 0);
  EXPECT_EQ(command.active, 1);
  EXPECT_EQ(cursor.y, 170 + 8);
  // Z there goes to the owner, which closes it the same way.
  Press(KEY_RIGHT);
  Press(KEY_Z);
  EXPECT_EQ(sub.visible, 0);
  EXPECT_EQ(command.active, 1);
  Press(KEY_Z);
  EXPECT_EQ(battle.reports,
            (std::vector<Report>{{&sub, CMD_PASS}, {&sub, -1}, {&command, -1}}));
}

TEST_F(BattleMenuTest, HiddenOrInactiveMenusReportNothing) {
  battle.command.SetVisible(0);  // still the focused menu
  Press(KEY_DOWN);
  EXPECT_EQ(battle.command.index, 0);
  EXPECT_EQ(cursor.y, 170 + 8);
  Press(KEY_X);
  Press(KEY_RIGHT);
  EXPECT_EQ(battle.sub.visible, 0);
  battle.command.SetVisible(1);
  battle.command.SetActive(0);
  Press(KEY_X);
  Press(KEY_Z);
  battle.sub.SetVisible(1);  // shown, never focused
  Press(KEY_LEFT);
  Press(KEY_X);
  EXPECT_EQ(battle.sub.visible, 1);
  EXPECT_TRUE(battle.reports.empty());
}

TEST_F(BattleMenuTest, MenusDrawOnlyWhileVisible) {
  ClearDrawTarget(nullptr);
  battle.Draw();
  EXPECT_EQ(ScreenPixel(25, 170), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_TRUE(AnyPixelIs(35, 178, 100, 193, kWhite));  // "たたかう"
  EXPECT_TRUE(AnyPixelIs(35, 223, 100, 238, kWhite));  // "アイテム"
  EXPECT_EQ(ScreenPixel(150, 200), kBlack);  // the sub-command menu is hidden
  battle.sub.SetVisible(1);
  ClearDrawTarget(nullptr);
  battle.Draw();
  EXPECT_EQ(ScreenPixel(115, 170), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  battle.command.SetVisible(0);
  battle.sub.SetVisible(0);
  ClearDrawTarget(nullptr);
  battle.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 160, 320, 240, SkinChipPixel(CHIP_TOP_LEFT, 0, 0)));
}

class InfoWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    info.x = 20;
    info.y = 5;
    info.width = 280;
    info.height = 25;
    ASSERT_EQ(info.CopyWindowSkin(), 1);
    info.SetVisible(1);
  }
  void Press(int key) {
    PressKeys(&keyboard, {key});
    info.Control(keyboard);
    PressKeys(&keyboard, {});
    info.Control(keyboard);
  }
  CBattleInfoWindow info;
  CManipulator keyboard;
};

TEST_F(InfoWindowTest, VictoryPagesStepWithXOrZAndThePressAfterTheLastCloses) {
  info.SetVictoryMessage(0, 57, 0, {"ディノがＬＶアップ！", "マリアがＬＶアップ！"});
  EXPECT_EQ(info.paging, 1);
  EXPECT_EQ(info.exp, 57);
  EXPECT_STREQ(info.lines[0], "戦いに勝った！");
  const char* const expected[] = {"57 EXP", "ディノがＬＶアップ！", "マリアがＬＶアップ！"};
  int key = KEY_X;
  for (const char* page : expected) {
    Press(key);
    key = key == KEY_X ? KEY_Z : KEY_X;
    EXPECT_STREQ(info.lines[0], page);
    EXPECT_EQ(info.visible, 1);
  }
  EXPECT_TRUE(info.pages.empty());
  Press(KEY_X);
  EXPECT_EQ(info.visible, 0);
  EXPECT_STREQ(info.lines[0], "マリアがＬＶアップ！");
}

TEST_F(InfoWindowTest, PagesOnlyForTotalsAboveZero) {
  const struct {
    int money, exp, abp;
    std::vector<std::string> pages;
  } cases[] = {
      {120, 30, 0, {"30 EXP", "120 ギル"}},
      {9999999, 0, 4, {"9999999 ギル", "4 ABP"}},
      {0, 0, 0, {}},
      {-5, -1, -2, {}},
  };
  for (const auto& c : cases) {
    CBattleInfoWindow window;
    window.SetVictoryMessage(c.money, c.exp, c.abp, {});
    EXPECT_EQ(std::vector<std::string>(window.pages.begin(), window.pages.end()), c.pages);
    EXPECT_EQ(window.money, c.money);
    EXPECT_EQ(window.abp, c.abp);
  }
}

TEST_F(InfoWindowTest, LongLevelUpLinesAreCutToAPageOfWholeCharacters) {
  std::string wide;
  for (int i = 0; i < 300; ++i) wide += "\x82\xA0";  // "あ" in the game's text code
  info.SetVictoryMessage(0, 0, 0, {wide, std::string(600, 'a')});
  ASSERT_EQ(info.pages.size(), 2u);
  EXPECT_EQ(info.pages.front(), wide.substr(0, 478));
  EXPECT_EQ(info.pages.back(), std::string(479, 'a'));
}

TEST_F(InfoWindowTest, KeysCloseTheMessageOnlyOnceAVictoryHasTurnedPagingOn) {
  info.SetMessage("逃げ出した");
  Press(KEY_X);
  Press(KEY_Z);
  EXPECT_EQ(info.visible, 1);
  info.SetVictoryMessage(0, 0, 0, {});
  Press(KEY_Z);
  EXPECT_EQ(info.visible, 0);
  // A later battle's message: paging is still on.
  info.SetVisible(1);
  info.SetMessage("全滅した");
  Press(KEY_X);
  EXPECT_EQ(info.visible, 0);
  EXPECT_STREQ(info.lines[0], "全滅した");
}

class EnemyListTest : public WindowTest {
 protected:
  CEnemy* Add(int id, const char* name) {
    auto enemy = std::make_unique<CEnemy>();
    enemy->values.id = id;
    snprintf(enemy->values.name, sizeof enemy->values.name, "%s", name);
    enemy->values.hp = 5;
    enemies.push_back(std::move(enemy));
    return enemies.back().get();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const auto& line : window.lines) out.push_back(line);
    return out;
  }
  CEnemyPartyWindow window;
  std::vector<std::unique_ptr<CEnemy>> enemies;
};

TEST_F(EnemyListTest, GroupsByIdInAscendingIdWithTheirCounts) {
  Add(9, "ゴブリン");
  Add(2, "スライム");
  Add(9, "ゴブリン");
  ASSERT_EQ(window.Init(enemies), 1);
  EXPECT_EQ(window.x, 0);
  EXPECT_EQ(window.y, 170);
  EXPECT_EQ(window.width, 130);
  EXPECT_EQ(window.height, 70);
  window.Update();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"スライム", "ゴブリン 2", "", ""}));
  EXPECT_EQ(window.shownCount, 3);

  // The lines change only with the number of living enemies.
  snprintf(enemies[1]->values.name, sizeof enemies[1]->values.name, "%s", "別の名前");
  window.Update();
  EXPECT_EQ(Lines()[0], "スライム");
  enemies[0]->values.hp = 0;
  window.Update();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"別の名前", "ゴブリン", "", ""}));
  enemies[1]->values.hp = 0;
  enemies[2]->values.hp = -3;
  window.Update();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"", "", "", ""}));
}

TEST_F(EnemyListTest, MoreThanFourEnemyIdsFillFourLines) {
  const char* const names[] = {"Ｅ", "Ｄ", "Ｃ", "Ｂ", "Ａ", "Ｆ"};
  for (int i = 0; i < 6; ++i) Add(60 - 10 * i, names[i]);
  Add(10, "Ａ");
  window.Init(enemies);
  window.Update();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Ｆ 2", "Ａ", "Ｂ", "Ｃ"}));
  // Nothing was written past the fourth line: its neighbour is untouched.
  for (const auto& line : window.splitLines) EXPECT_STREQ(line, "");
}

TEST_F(EnemyListTest, ANewBattleShowsItsOwnEnemies) {
  Add(3, "コウモリ");
  Add(3, "コウモリ");
  window.Init(enemies);
  window.Update();
  // The next battle has as many enemies, of another kind.
  std::vector<std::unique_ptr<CEnemy>> old = std::move(enemies);
  enemies.clear();
  Add(4, "オオカミ");
  Add(4, "オオカミ");
  window.Init(enemies);
  window.Update();
  EXPECT_EQ(Lines()[0], "オオカミ 2");
  // One without any living enemy shows none of the last battle's.
  enemies.clear();
  window.Init(enemies);
  window.Update();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"", "", "", ""}));
}

class PartyWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    _mkdir("fixture\\lvinfo");
    remove("fixture\\graphs\\system\\atb_gauge.png");  // each test writes its own
    WriteFileBytes("fixture\\lvinfo\\LvInfo001.csv", "id\r\nlevel\r\n1,0,40,10,12,9,5,4,6,29\r\n");
    // A member's battle picture (its 18 frames plain black).
    _mkdir("fixture\\char");
    WritePngFile("fixture\\char\\char_battle01.png", 24 * 18, 24, [](int, int) { return kBlack; });
    ErrorMessageCapture errors;  // the members' field sprites are not needed
    party.Init();
    party.AddMember(1, 1);
    party.AddMember(1, 1);
    party.SwapMembers(1, 2);  // members in slots 0 and 2
    ASSERT_NE(party.GetMember(2), nullptr);
    ASSERT_EQ(party.GetMember(1), nullptr);
  }
  void WriteGaugePicture() {
    WritePngFile("fixture\\graphs\\system\\atb_gauge.png", 64, 8,
                 [](int x, int y) { return y == 0 ? Rgb{30, 60, 90} : kBlack; });
  }
  CPlayerParty party;
  CPlayerPartyWindow window;
};

TEST_F(PartyWindowTest, GaugesSitInTheMembersRowsWithoutGaps) {
  WriteGaugePicture();
  ErrorMessageCapture errors;
  ASSERT_EQ(window.Init(&party), 1);
  EXPECT_TRUE(errors.Messages().empty());
  EXPECT_EQ(window.x, 130);
  EXPECT_EQ(window.y, 170);
  EXPECT_EQ(window.width, 190);
  EXPECT_EQ(window.height, 70);
  EXPECT_EQ(window.gauges[0].x, 250);
  EXPECT_EQ(window.gauges[0].y, 178);
  EXPECT_EQ(window.gauges[2].x, 250);
  EXPECT_EQ(window.gauges[2].y, 193);
  EXPECT_NE(window.gauges[2].picture, -1);
  EXPECT_EQ(window.gauges[1].picture, -1);

  party.GetMember(0)->atbGauge = 100;
  party.GetMember(2)->atbGauge = 40;
  party.GetMember(0)->SetSprite(nullptr);
  party.GetMember(2)->SetSprite(nullptr);
  window.Update();  // without battle sprites the gauges keep their values
  window.SetVisible(0);  // the rows show even so
  ClearDrawTarget(nullptr);
  window.Draw();
  EXPECT_FALSE(AnyPixelIs(130, 170, 320, 240, SkinChipPixel(CHIP_TOP_LEFT, 0, 0)));
  EXPECT_TRUE(AnyPixelIs(140, 178, 200, 193, kWhite));  // first row's name
  EXPECT_TRUE(AnyPixelIs(140, 193, 200, 208, kWhite));  // second row's name
  EXPECT_FALSE(AnyPixelIs(140, 208, 320, 240, kWhite));
  EXPECT_EQ(ScreenPixel(256, 181), (Rgb{255, 255, 96}));  // full: the yellow line
  EXPECT_EQ(ScreenPixel(275, 197), (Rgb{210, 210, 210}));  // 40: bar to x + 26
  EXPECT_EQ(ScreenPixel(277, 197), kBlack);
  EXPECT_EQ(ScreenPixel(250, 193), (Rgb{30, 60, 90}));  // the picture on top
  window.Release();
  EXPECT_EQ(window.gauges[0].picture, -1);
  EXPECT_EQ(window.gauges[2].picture, -1);
}

TEST_F(PartyWindowTest, MissingGaugePictureIsReportedForEachMember) {
  ErrorMessageCapture errors;
  EXPECT_EQ(window.Init(&party), 0);
  EXPECT_EQ(errors.Messages(),
            (std::vector<std::string>(2, "画像読み込み失敗 [fixture\\graphs\\system\\atb_gauge.png]")));
  window.SetVisible(1);
  ClearDrawTarget(nullptr);
  window.Draw();  // the window without its gauge pictures
  EXPECT_EQ(ScreenPixel(130, 170), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
}

TEST_F(PartyWindowTest, UpdateFillsTheMembersGaugesThroughTheirSprites) {
  WriteGaugePicture();
  ASSERT_EQ(window.Init(&party), 1);
  CPlayerBattle first, second;
  party.GetMember(0)->SetSprite(&first);
  party.GetMember(2)->SetSprite(&second);
  CPlayerChar& a = *party.GetMember(0);
  CPlayerChar& b = *party.GetMember(2);
  a.hp = 0;  // fallen members fill too
  // The default speed steps on sprite frames that are multiples of 6.
  const struct {
    uint32_t frame;
    int gaugeA, gaugeB;
    int afterA, afterB;
    int shownA, shownB;
  } cases[] = {
      {6, 50, 99, 51, 100, 51, 100},
      {7, 50, 99, 50, 99, 50, 99},
      {12, 100, -4, 100, -3, 100, 0},
      {13, 140, -4, 140, -4, 100, 0},
      {18, 140, 0, 100, 1, 100, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    first.frameCounter = c.frame;
    second.frameCounter = c.frame;
    a.atbGauge = c.gaugeA;
    b.atbGauge = c.gaugeB;
    window.Update();
    EXPECT_EQ(a.atbGauge, c.afterA);
    EXPECT_EQ(b.atbGauge, c.afterB);
    EXPECT_EQ(window.gauges[0].value, c.shownA);
    EXPECT_EQ(window.gauges[2].value, c.shownB);
  }
  // The delayed visibility runs first.
  window.pending = 1;
  window.delay = 1;
  window.visible = 0;
  window.Update();
  EXPECT_EQ(window.visible, 0);
  window.Update();
  EXPECT_EQ(window.visible, 1);
  party.GetMember(0)->SetSprite(nullptr);
  party.GetMember(2)->SetSprite(nullptr);
  window.Release();
}

}  // namespace
