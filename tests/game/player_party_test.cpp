#include "CPlayerParty.h"

#include <limits.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game_fixture.h"
#include "member_sprite_recorder.h"
#include "system/random.h"

namespace {

class PlayerPartyTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    UseMemberPictures();
    WriteTable("lvinfo\\LvInfo001.csv", {"1,0,40,10,12,9,5,4,6,29"});
    WriteTable("lvinfo\\LvInfo002.csv", {"1,0,30,20,8,7,6,9,9,10"});
    std::vector<std::string> items;
    for (int id = 1; id <= 300; ++id) items.push_back(std::to_string(id) + ",item,1,x");
    WriteTable("item\\NormalItem.csv", items);
    // kind, group: a kind-1 weapon of groups 5, 3 and 4, a shield, a helmet.
    WriteTable("item\\Weapon.csv", {"2001,rod,1,x,5,1,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0",
                                    "2002,sword,1,x,3,1,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0",
                                    "2003,staff,1,x,4,3,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0"});
    WriteTable("item\\Armor.csv", {"3001,shield,1,x,0,2,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0",
                                   "3002,cap,1,x,9,5,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0"});
    party.Init();
  }

  CPlayerParty party;
};

TEST_F(PlayerPartyTest, StacksHoldAtMostNinetyNine) {
  EXPECT_EQ(party.AddItem(60, 1), kInventorySlots);
  EXPECT_EQ(party.AddItem(60, 1), kInventorySlots);  // some of it was stored
  EXPECT_EQ(party.GetItemCount(1), 99);
  EXPECT_EQ(party.GetItem(1), nullptr);  // one stack
  EXPECT_EQ(party.AddItem(1, 1), 0);     // a full stack takes nothing more
  EXPECT_EQ(party.AddItem(150, 2), kInventorySlots);
  EXPECT_EQ(party.GetItemCount(2), 99);
  EXPECT_EQ(party.AddItem(0, 3), 0);
  EXPECT_EQ(party.AddItem(-5, 1), 0);
  EXPECT_EQ(party.GetItemCount(3), 0);
  EXPECT_EQ(party.GetItemCount(1), 99);
}

TEST_F(PlayerPartyTest, RemovingANegativeOrZeroCountChangesNothing) {
  party.AddItem(98, 1);
  EXPECT_EQ(party.RemoveItem(1, -5), 98);  // not a way to grow past 99
  EXPECT_EQ(party.RemoveItem(1, INT_MIN), 98);
  EXPECT_EQ(party.RemoveItem(1, 0), 98);
  EXPECT_EQ(party.GetItemCount(1), 98);
  EXPECT_EQ(party.RemoveItem(2, -1), 0);
  EXPECT_EQ(party.GetItem(1), nullptr);
  EXPECT_EQ(party.RemoveItem(1, INT_MAX), 0);
  EXPECT_EQ(party.GetItem(0), nullptr);
}

TEST_F(PlayerPartyTest, RemovingTheLastDeletesTheStack) {
  party.AddItem(3, 1);
  party.AddItem(3, 2);
  EXPECT_EQ(party.RemoveItem(1, 2), 1);
  EXPECT_EQ(party.RemoveItem(1, 1), 0);
  EXPECT_EQ(party.GetItem(0), nullptr);
  EXPECT_EQ(party.RemoveItem(2, 5), 0);
  EXPECT_EQ(party.GetItem(1), nullptr);
  EXPECT_EQ(party.RemoveItem(2, 1), 0);  // not held: nothing changes
  party.AddItem(1, 5);
  EXPECT_EQ(party.GetItem(0)->item.id, 5);  // the first free slot again
}

TEST_F(PlayerPartyTest, FullInventoryAndUnknownItemsAddNothing) {
  for (int id = 1; id <= kInventorySlots; ++id) party.AddItem(1, id);
  EXPECT_EQ(party.AddItem(1, 257), 0);
  EXPECT_EQ(party.GetItemCount(257), 0);
  for (int slot = 0; slot < kInventorySlots; ++slot) {
    ASSERT_EQ(party.GetItem(slot)->item.id, slot + 1);
    ASSERT_EQ(party.GetItem(slot)->count, 1);
  }
  EXPECT_EQ(party.AddItem(1, 256), kInventorySlots);
  EXPECT_EQ(party.GetItemCount(256), 2);  // existing stacks still grow

  CPlayerParty other;
  other.Init();
  EXPECT_EQ(other.AddItem(1, 1999), 0);  // no row: no nameless stack of item 0
  EXPECT_EQ(other.AddItem(1, 4000), 0);
  EXPECT_EQ(other.GetItem(0), nullptr);
}

TEST_F(PlayerPartyTest, SortPutsStacksByIdBeforeEmptySlots) {
  party.AddItem(1, 9);
  party.AddItem(1, 3);
  party.AddItem(1, 7);
  party.RemoveItem(3, 1);
  party.SortItems();
  EXPECT_EQ(party.GetItem(0)->item.id, 7);
  EXPECT_EQ(party.GetItem(1)->item.id, 9);
  EXPECT_EQ(party.GetItem(2), nullptr);
  ItemStack a{}, b{};
  a.item.id = 5;
  b.item.id = 6;
  EXPECT_TRUE(CompareItemStack(&a, &b));
  EXPECT_FALSE(CompareItemStack(&b, &a));
  EXPECT_TRUE(CompareItemStack(&a, nullptr));
  EXPECT_FALSE(CompareItemStack(nullptr, &a));
}

TEST_F(PlayerPartyTest, EquipListFollowsSlotKindAndJobGroup) {
  for (int id : {1, 2001, 2002, 2003, 3001, 3002}) party.AddItem(1, id);
  const struct {
    int job, slot;
    std::vector<int> ids;
  } cases[] = {
      {JOB_BLACK_MAGE, EQUIP_RIGHT_HAND, {2001}},  // kind 3 of group 4 is a white mage's
      {JOB_WHITE_MAGE, EQUIP_RIGHT_HAND, {2003}},
      {JOB_WARRIOR, EQUIP_RIGHT_HAND, {2002}},
      {JOB_NONE, EQUIP_RIGHT_HAND, {2001, 2002, 2003}},
      {JOB_WARRIOR, EQUIP_LEFT_HAND, {3001}},
      {JOB_NONE, EQUIP_HEAD, {}},  // group 9 fits no job
      {JOB_NONE, 5, {}},
      {4, EQUIP_LEFT_HAND, {}},
      {-1, EQUIP_RIGHT_HAND, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.job * 10 + c.slot);
    std::vector<ItemStack*> list = {nullptr};
    const int count = party.GetEquipList(&list, c.job, c.slot);
    std::vector<int> ids;
    for (const ItemStack* s : list) ids.push_back(s->item.id);
    EXPECT_EQ(ids, c.ids);
    EXPECT_EQ(count, static_cast<int>(c.ids.size()));
  }
}

TEST(CanJobEquipTest, GroupsAndJobsOutsideTheTableAllowNothing) {
  const struct {
    int group, job;
    bool allowed;
  } cases[] = {{0, 0, true},   {2, 3, true},   {3, 1, true},   {3, 2, false}, {4, 3, true},
               {4, 1, false},  {5, 2, true},   {5, 3, false},  {6, 0, false}, {-1, 0, false},
               {0, 4, false},  {0, -1, false}, {INT_MAX, 0, false}, {0, INT_MIN, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "group " << c.group << " job " << c.job);
    EXPECT_EQ(CanJobEquip(c.group, c.job), c.allowed);
  }
}

TEST_F(PlayerPartyTest, MembersFillSlotsAndSwap) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(party.AddMember(i % 2 + 1, i % 2 + 1), kPartyMemberSlots);
  CPlayerChar* four[4];
  for (int i = 0; i < 4; ++i) ASSERT_NE(four[i] = party.GetMember(i), nullptr);
  // A fifth member has no slot: the four stay as they were.
  four[3]->hp = 7;
  EXPECT_EQ(party.AddMember(1, 1), kPartyMemberSlots);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(party.GetMember(i), four[i]);
    EXPECT_EQ(party.GetMember(i)->characterNumber, i % 2 + 1);
  }
  EXPECT_EQ(four[3]->hp, 7);
  EXPECT_EQ(party.GetMember(4), nullptr);
  EXPECT_EQ(party.GetMember(-1), nullptr);
  CPlayerChar* first = party.GetMember(0);

  CPlayerParty small;
  small.Init();
  small.AddMember(1, 1);
  CPlayerChar* only = small.GetMember(0);
  small.SwapMembers(0, 3);
  EXPECT_EQ(small.GetMember(0), nullptr);
  EXPECT_EQ(small.GetMember(3), only);
  small.SwapMembers(0, 4);  // out of range: nothing moves
  EXPECT_EQ(small.GetMember(3), only);
  EXPECT_EQ(party.GetMember(0), first);
}

TEST_F(PlayerPartyTest, BattlePlacementByRowAndSlot) {
  party.AddMember(1, 1);
  party.AddMember(2, 2);
  party.AddMember(1, 1);
  MemberSpriteRecorder sprites[3];
  for (int i = 0; i < 3; ++i) party.GetMember(i)->SetSprite(&sprites[i]);
  party.GetMember(1)->backRow = 1;
  party.GetMember(2)->hp = 0;
  party.SetBattlePosition();
  EXPECT_EQ(sprites[0].x, 230);
  EXPECT_EQ(sprites[0].y, 45);
  EXPECT_EQ(sprites[1].x, 265);
  EXPECT_EQ(sprites[1].y, 75);
  EXPECT_EQ(sprites[2].x, 240);
  EXPECT_EQ(sprites[0].calls, std::vector<std::string>{"pose 1 24 48 0"});
  EXPECT_TRUE(sprites[2].calls.empty());  // a fallen member does not walk in
  EXPECT_EQ(sprites[2].escapeAttempt, 0);
}

TEST_F(PlayerPartyTest, EscapeSucceedsOnARollOfZero) {
  party.AddMember(1, 1);
  party.AddMember(2, 2);
  MemberSpriteRecorder sprites[2];
  for (int i = 0; i < 2; ++i) party.GetMember(i)->SetSprite(&sprites[i]);
  party.GetMember(1)->hp = 0;
  // Seed 381's first words and GetRandomInt(99999) = floor(word * 100000 /
  // 2^32) for each: 51370 mod 240 = 10 and 89310 mod 240 = 30 fail, 82080 mod
  // 240 = 0 succeeds.
  const struct {
    uint32_t word;
    int roll, escaped;
  } draws[] = {{0x83824cd5u, 51370, 0}, {0xe4a2c3f2u, 89310, 0}, {0xd2203002u, 82080, 1}};
  SeedRandom(381);
  MersenneTwisterState twin;
  SeedMersenneTwisterState(&twin, 381);
  for (const auto& d : draws) {
    SCOPED_TRACE(d.roll);
    ASSERT_EQ(NextRandomWordFrom(&twin), d.word);
    ASSERT_EQ(party.TryEscape(), d.escaped);
  }
  // Failed rolls marked every member, the fallen one too.
  EXPECT_EQ(sprites[1].escapeAttempt, 1);
  EXPECT_EQ(sprites[0].calls, std::vector<std::string>{"pose 6 64 0 0"});
  EXPECT_TRUE(sprites[1].calls.empty());
}

}  // namespace
