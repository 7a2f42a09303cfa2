// The records that the data tables fill: items, level rows and encounter pairs.
#ifndef MOONLITCAIRN_GAME_DATA_H
#define MOONLITCAIRN_GAME_DATA_H

#include <stdint.h>

// Item ids: below 2000 normal items, 2000-2999 weapons, 3000-3999 armour,
// 4000 and above no item.
constexpr int kFirstWeaponId = 2000;
constexpr int kFirstArmorId = 3000;
constexpr int kFirstNonItemId = 4000;

constexpr int kItemNameSize = 17;         // 16 bytes of text and a NUL
constexpr int kItemDescriptionSize = 257; // 256 bytes of text and a NUL

// The eight base values of a member, in the order of the level tables.
struct LevelParams {
  int32_t maxHp;
  int32_t maxMp;
  int32_t strength;
  int32_t stamina;
  int32_t agility;
  int32_t magic;
  int32_t spirit;
  int32_t luck;
};

// The seven battle values a weapon or armour adds, in table column order.
struct ItemBattleBonus {
  int32_t attack;
  int32_t defence;
  int32_t magicDefence;
  int32_t evasion;
  int32_t magicEvasion;
  int32_t weight;
  int32_t ratePercent;  // 100 leaves the member's rate unchanged
};

// Equipment slots of a member.
enum EquipSlot : int32_t {
  EQUIP_RIGHT_HAND = 0,
  EQUIP_LEFT_HAND = 1,
  EQUIP_HEAD = 2,
  EQUIP_BODY = 3,
  EQUIP_ACCESSORY = 4,
};
constexpr int kEquipSlotCount = 5;

// The slot that takes an item of the given kind (table column 6): kinds 1, 3
// and 4 the right hand, 2 the left, 5 the head, 6 the body, 7 the accessory;
// -1 for any other kind.
constexpr int EquipSlotOfKind(int kind) {
  switch (kind) {
    case 1:
    case 3:
    case 4:
      return EQUIP_RIGHT_HAND;
    case 2:
      return EQUIP_LEFT_HAND;
    case 5:
      return EQUIP_HEAD;
    case 6:
      return EQUIP_BODY;
    case 7:
      return EQUIP_ACCESSORY;
    default:
      return -1;
  }
}

// One item. A normal item uses the fields up to the description; weapons and
// armour use the rest too. An all-zero record (id 0) is no item, which is also
// what an empty equipment slot holds.
struct ItemData {
  int32_t id;
  int32_t equipGroup;  // which jobs may equip it; 0 for normal items
  char name[kItemNameSize];
  int32_t price;
  char description[kItemDescriptionSize];
  int32_t reserved;
  // No table column fills these, so equipment leaves the base values alone.
  LevelParams baseBonus;
  ItemBattleBonus battleBonus;
  int32_t extra[8];  // kept from the table, read by no rule
  int32_t kind;      // see EquipSlotOfKind

  bool IsEquipment() const { return id >= kFirstWeaponId; }
};

// One (enemy party, weight) pair of an encounter area.
struct EncountEntry {
  int32_t partyId;
  int32_t weight;
};

#endif
