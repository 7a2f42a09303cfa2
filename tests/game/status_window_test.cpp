// The status screen: X steps through the four party slots (empty ones too), Z
// closes it and shows the owner again, and the page's texts.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CPlayerParty.h"
#include "CStatusWindow.h"
#include "camp_fixture.h"

namespace {

class StatusWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WriteMemberFiles();
    {
      ErrorMessageCapture errors;  // the field sprites are not written
      party.Init();
      party.AddMember(1, 1);
      party.AddMember(1, 1);
    }
    ASSERT_EQ(status.Init(&party, &owner), 1);
    status.Hide();
    status.Open(0);
  }
  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    status.Update(keyboard);
  }
  void Press(int key) {
    Frame({key});
    Frame({});
  }
  CPlayerParty party;
  RecordingOwner owner;
  CStatusWindow status;
  CManipulator keyboard;
};

TEST_F(StatusWindowTest, XStepsThroughEverySlotAndZCloses) {
  const int expected[] = {1, 2, 3, 0, 1};  // slots 2 and 3 are empty
  for (int slot : expected) {
    Press(KEY_X);
    EXPECT_EQ(status.memberIndex, slot);
  }
  EXPECT_EQ(owner.shown, 0);
  Press(KEY_Z);
  EXPECT_EQ(status.visible, 0);
  for (const CFrameWindow* window : status.windows) EXPECT_EQ(window->visible, 0);
  EXPECT_EQ(owner.shown, 1);
  Press(KEY_X);
  Press(KEY_Z);
  EXPECT_EQ(status.memberIndex, 1) << "a hidden screen takes no keys";
  EXPECT_EQ(owner.shown, 1);
}

TEST_F(StatusWindowTest, PageShowsEveryValue) {
  CPlayerChar& m = *party.GetMember(0);
  m.job = JOB_WHITE_MAGE;
  m.jobLevel = 2;
  m.exp = 30;
  m.hp = 33;
  m.mp = 4;
  m.params.attack = 21;
  m.params.defence = 22;
  m.params.magicDefence = 23;
  m.params.evasion = 24;
  m.params.magicEvasion = 25;
  m.params.equipWeight = 26;
  snprintf(m.name, sizeof m.name, "%s", "ディノ");
  EXPECT_EQ(status.values.Texts(), (std::vector<WindowText>{
                                       {40, 10, "ディノ"},
                                       {140, 10, "しろまどうし ： 2"},
                                       {40, 25, "ＬＶ　　　　     1"},
                                       {40, 40, "ＨＰ　  33 ／   40"},
                                       {40, 55, "ＭＰ　   4 ／   10"},
                                       {40, 70, "けいけんち　　　　      30"},
                                       {40, 85, "つぎのLvまで　　　      70"},
                                       {40, 120, "こうげき　　　　 21"},
                                       {40, 135, "ぼうぎょ　　　　 22"},
                                       {40, 150, "まほうぼうぎょ　 23"},
                                       {40, 165, "かいひりつ　　　 24"},
                                       {40, 180, "まほうかいひ　　 25"},
                                       {40, 195, "そうびのおもさ　 26"},
                                       {190, 120, "ちから　　　　 12"},
                                       {190, 135, "たいりょく　　  9"},
                                       {190, 150, "すばやさ　　　  5"},
                                       {190, 165, "まりょく　　　  4"},
                                       {190, 180, "せいしん　　　  6"},
                                       {190, 195, "うん　　　　　 29"},
                                       {40, 215, "そうびできる武器"},
                                   }));
  // At the table's highest level nothing more is needed.
  m.level = 2;
  m.exp = 150;
  EXPECT_EQ(status.values.Texts()[6].text, "つぎのLvまで　　　       0");
  m.name[0] = '\0';
  EXPECT_EQ(status.values.Texts()[0].text, "?");
}

TEST_F(StatusWindowTest, EmptySlotShowsTheFramesWithoutTextsAndAFallenMemberStands) {
  party.GetMember(0)->hp = 0;
  ClearDrawTarget(nullptr);
  status.Draw();
  EXPECT_EQ(ScreenPixel(6 + 12, 10 + 12), kStandingColour);
  EXPECT_TRUE(AnyPixelIs(40, 120, 200, 135, kWhite));

  status.memberIndex = 2;
  EXPECT_TRUE(status.values.Texts().empty());
  ClearDrawTarget(nullptr);
  status.Draw();
  EXPECT_EQ(ScreenPixel(0, 0), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_EQ(ScreenPixel(210, 30), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_EQ(ScreenPixel(250, 0), SkinChipPixel(CHIP_TOP_LEFT, 0, 0));
  EXPECT_TRUE(AnyPixelIs(220, 40, 280, 55, kWhite)) << "the command box's text";
  EXPECT_TRUE(AnyPixelIs(258, 8, 318, 22, kWhite)) << "the title";
  EXPECT_FALSE(AnyPixelIs(20, 100, 200, 230, kWhite)) << "no values";
  EXPECT_FALSE(AnyPixelIs(0, 0, 40, 40, kStandingColour));
}

}  // namespace
