#include "CPlayerChar.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CDataManager.h"
#include "CPlayerParty.h"
#include "game_fixture.h"
#include "member_sprite_recorder.h"

namespace {

using Strings = std::vector<std::string>;

class PlayerCharTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    UseMemberPictures();
    // Levels 1-3 and 98-99 of character 1; the table ends at 99.
    WriteTable("lvinfo\\LvInfo001.csv",
               {"1,0,40,10,12,9,5,4,6,29", "2,100,50,12,13,10,5,4,6,29",
                "3,300,60,14,14,11,5,4,6,30", "98,9000000,900,90,90,90,90,90,90,90",
                "99,9500000,999,99,99,99,99,99,99,99"});
    WriteTable("item\\Weapon.csv", {"2001,ダガー,150,x,0,1,8,0,0,1,0,1,100,0,0,0,0,0,0,0,0"});
    WriteTable("item\\Armor.csv", {"3001,ふく,50,y,0,6,0,2,1,0,3,2,100,0,0,0,0,0,0,0,0"});
    party.Init();
    party.AddMember(1, 1);
    member = party.GetMember(0);
    ASSERT_NE(member, nullptr);
  }

  CPlayerParty party;
  CPlayerChar* member = nullptr;
};

TEST_F(PlayerCharTest, InitStartsAtLevelOneWithFullPoints) {
  EXPECT_STREQ(member->name, "ディノ");
  EXPECT_EQ(member->level, 1);
  EXPECT_EQ(member->jobLevel, 1);
  EXPECT_EQ(member->job, JOB_NONE);
  EXPECT_EQ(member->hp, 40);
  EXPECT_EQ(member->mp, 10);
  EXPECT_EQ(member->commands[0], CMD_FIGHT);
  EXPECT_EQ(member->commands[1], 0);
  EXPECT_EQ(member->commands[3], CMD_ITEM);
  EXPECT_EQ(member->party, &party);
  EXPECT_STREQ(GetCharacterName(5), "");
}

TEST_F(PlayerCharTest, DerivedValuesFromBaseAndEquipment) {
  // Luck 29: evasion 2 and magic evasion spirit + 2.
  const CharParams& p = member->params;
  EXPECT_EQ(p.attack, 12);
  EXPECT_EQ(p.defence, 9);
  EXPECT_EQ(p.magicDefence, 6);
  EXPECT_EQ(p.evasion, 2);
  EXPECT_EQ(p.magicEvasion, 8);
  EXPECT_EQ(p.equipWeight, 0);

  party.AddItem(1, 2001);
  party.AddItem(1, 3001);
  member->Equip(EQUIP_RIGHT_HAND, &party.GetItem(0)->item);
  member->Equip(EQUIP_BODY, &party.GetItem(1)->item);
  member->CalcParam();
  EXPECT_EQ(p.attack, 20);
  EXPECT_EQ(p.defence, 11);
  EXPECT_EQ(p.magicDefence, 7);
  EXPECT_EQ(p.evasion, 3);
  EXPECT_EQ(p.magicEvasion, 11);
  EXPECT_EQ(p.equipWeight, 3);
  EXPECT_EQ(p.maxHp, 40);  // equipment never changes the base values

  CharParams without{};
  member->CalcParamWith(&without, nullptr, EQUIP_RIGHT_HAND);
  EXPECT_EQ(without.attack, 12);
  EXPECT_EQ(without.defence, 11);
  EXPECT_EQ(member->params.attack, 20);  // the member itself is unchanged
}

TEST_F(PlayerCharTest, CalcParamWithCountsTheCandidateInsteadOfTheSlot) {
  party.AddItem(1, 2001);
  member->Equip(EQUIP_RIGHT_HAND, &party.GetItem(0)->item);
  member->CalcParam();
  ItemData candidate{};
  ASSERT_EQ(CDataManager::GetInstance().LoadItem(3001, &candidate), 1);
  // The cloth (defence 2, magic defence 1, magic evasion 3, weight 2) in the
  // body slot, beside the dagger (attack 8, evasion 1, weight 1) kept on.
  CharParams with{};
  member->CalcParamWith(&with, &candidate, EQUIP_BODY);
  EXPECT_EQ((std::vector<int>{with.attack, with.defence, with.magicDefence, with.evasion,
                              with.magicEvasion, with.equipWeight}),
            (std::vector<int>{20, 11, 7, 3, 11, 3}));
  // In place of the dagger: only the cloth counts.
  member->CalcParamWith(&with, &candidate, EQUIP_RIGHT_HAND);
  EXPECT_EQ((std::vector<int>{with.attack, with.defence, with.magicDefence, with.evasion,
                              with.magicEvasion, with.equipWeight}),
            (std::vector<int>{12, 11, 7, 2, 11, 2}));
  // A candidate counts even when its id is 0, unlike an empty slot.
  ItemData blank = candidate;
  blank.id = 0;
  member->CalcParamWith(&with, &blank, EQUIP_HEAD);
  EXPECT_EQ(with.defence, 11);
  EXPECT_EQ(member->params.defence, 9);
  EXPECT_EQ(member->equipment[EQUIP_BODY].id, 0);
}

TEST_F(PlayerCharTest, UnequipKeepsTheItemWhenTheInventoryIsFull) {
  std::vector<std::string> rows;
  for (int id = 1; id <= kInventorySlots; ++id) rows.push_back(std::to_string(id) + ",item,1,x");
  WriteTable("item\\NormalItem.csv", rows);
  party.AddItem(1, 2001);
  ASSERT_EQ(member->Equip(EQUIP_RIGHT_HAND, &party.GetItem(0)->item), 1);
  for (int id = 1; id <= kInventorySlots; ++id) ASSERT_EQ(party.AddItem(1, id), kInventorySlots);
  EXPECT_EQ(member->Unequip(EQUIP_RIGHT_HAND), 0);
  EXPECT_EQ(member->equipment[EQUIP_RIGHT_HAND].id, 2001);
  EXPECT_EQ(member->Equip(EQUIP_RIGHT_HAND, nullptr), 0);
  EXPECT_EQ(member->equipment[EQUIP_RIGHT_HAND].id, 2001);
  EXPECT_EQ(party.GetEquipCount(2001), 1);
  // Room again: the dagger goes back.
  party.RemoveItem(7, 1);
  EXPECT_EQ(member->Unequip(EQUIP_RIGHT_HAND), 1);
  EXPECT_EQ(member->equipment[EQUIP_RIGHT_HAND].id, 0);
  EXPECT_EQ(party.GetItem(6)->item.id, 2001);
}

TEST_F(PlayerCharTest, EquipTakesFromAndUnequipReturnsToTheInventory) {
  party.AddItem(2, 2001);
  ASSERT_EQ(member->Equip(EQUIP_RIGHT_HAND, &party.GetItem(0)->item), 1);
  EXPECT_EQ(member->equipment[EQUIP_RIGHT_HAND].id, 2001);
  EXPECT_EQ(party.GetItemCount(2001), 1);
  EXPECT_EQ(party.GetEquipCount(2001), 1);
  // The last one of a stack: the stack goes, the slot keeps its own copy.
  ASSERT_EQ(member->Equip(EQUIP_LEFT_HAND, &party.GetItem(0)->item), 1);
  EXPECT_EQ(party.GetItemCount(2001), 0);
  EXPECT_STREQ(member->equipment[EQUIP_LEFT_HAND].name, "ダガー");

  member->Unequip(EQUIP_RIGHT_HAND);
  EXPECT_EQ(member->equipment[EQUIP_RIGHT_HAND].id, 0);
  EXPECT_EQ(party.GetItemCount(2001), 1);
  member->Equip(EQUIP_RIGHT_HAND, nullptr);  // an empty slot adds nothing
  EXPECT_EQ(party.GetItemCount(2001), 1);
  EXPECT_EQ(member->Equip(5, nullptr), 0);
  EXPECT_EQ(member->Equip(-1, nullptr), 0);
}

TEST_F(PlayerCharTest, DamageInBattleShowsNumbersAndPoses) {
  MemberSpriteRecorder sprite;
  member->SetSprite(&sprite);
  const struct {
    int hpBefore;
    int value;
    int hpAfter;
    Strings calls;
  } cases[] = {
      {40, 0, 40, {"number 0 white", "pose 4 18 4 0"}},
      {30, -25, 40, {"number 25 green", "pose 4 18 4 0"}},
      {5, 5, 0, {"number 5 white", "pose 4 18 4 0", "frame 13"}},
      {5, 2147483647, 0, {"number 2147483647 white", "pose 4 18 4 0", "frame 13"}},
      {0, -10, 0, {}},  // a fallen member is not healed and shows nothing
      {0, 3, 0, {"number 3 white", "frame 13"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hpBefore * 1000 + c.value);
    sprite.calls.clear();
    member->hp = c.hpBefore;
    member->Damage(c.value);
    EXPECT_EQ(member->hp, c.hpAfter);
    EXPECT_EQ(sprite.calls, c.calls);
  }
  sprite.inBattle = false;
  sprite.calls.clear();
  member->hp = 10;
  member->Damage(-5);
  EXPECT_EQ(member->hp, 15);
  EXPECT_TRUE(sprite.calls.empty());
  member->SetSprite(nullptr);
}

TEST_F(PlayerCharTest, MagicPointsStayWithinZeroAndMax) {
  member->hp = 0;
  member->mp = 4;
  member->DamageMP(-100);
  EXPECT_EQ(member->mp, 10);
  member->DamageMP(11);
  EXPECT_EQ(member->mp, 0);
}

TEST_F(PlayerCharTest, ExperienceRaisesLevelsUntilTheTableOrTheCapEnds) {
  EXPECT_EQ(member->AddExp(99), 0);
  EXPECT_EQ(member->level, 1);
  // One gain can raise several levels; HP is not refilled, only the maximum.
  member->hp = 10;
  EXPECT_EQ(member->AddExp(201), 1);
  EXPECT_EQ(member->level, 3);
  EXPECT_EQ(member->params.maxHp, 60);
  EXPECT_EQ(member->params.evasion, 3);  // luck 30
  EXPECT_EQ(member->hp, 10);
  // The table has no level 4: the member stays at 3 however much EXP it gets.
  EXPECT_EQ(member->AddExp(5000000), 0);
  EXPECT_EQ(member->level, 3);
  EXPECT_EQ(member->exp, 5000300);

  member->level = 98;
  member->exp = kMaxExp - 10;
  EXPECT_EQ(member->AddExp(100), 1);
  EXPECT_EQ(member->exp, kMaxExp);
  EXPECT_EQ(member->level, 99);
  EXPECT_EQ(member->params.maxHp, 999);
  member->exp = 0;
  EXPECT_EQ(member->AddExp(100), 0);  // nothing is added at level 99
  EXPECT_EQ(member->exp, 0);
}

TEST(WalkFrameTest, StepsAcrossTwoCells) {
  const struct {
    int scrollX, scrollY, cellX, cellY, frame;
  } cases[] = {
      {0, 0, 0, 0, 1},  {-4, 0, 0, 0, 0}, {8, 0, 0, 0, 0}, {0, 12, 2, 2, 1},
      {0, -4, 1, 0, 2}, {6, 0, 0, 1, 2},  {0, 0, 3, 4, 1}, {15, 0, 1, 0, 1},
      {0, 5, -1, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.scrollX << "," << c.scrollY << " at " << c.cellX << ","
                                    << c.cellY);
    EXPECT_EQ(WalkFrame(c.scrollX, c.scrollY, c.cellX, c.cellY), c.frame);
  }
}

}  // namespace
