// The player's side: four member slots (the slot index is the member's index
// everywhere), 256 inventory slots of item stacks, and the money.
#ifndef MOONLITCAIRN_CPLAYERPARTY_H
#define MOONLITCAIRN_CPLAYERPARTY_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "CPlayerChar.h"
#include "GameData.h"

constexpr int kPartyMemberSlots = 4;
constexpr int kInventorySlots = 256;
constexpr int kMaxItemCount = 99;
constexpr int kMaxMoney = 9999999;

struct ItemStack {
  ItemData item;
  int32_t count;  // 1 to 99 while the stack exists
};

class CPlayerParty {
 public:
  CPlayerParty();
  virtual ~CPlayerParty();
  CPlayerParty(const CPlayerParty&) = delete;
  CPlayerParty& operator=(const CPlayerParty&) = delete;

  int32_t money = 0;

  int Init();

  // Null for an empty slot or an index outside 0-3.
  CPlayerChar* GetMember(int index) const;
  // Builds a member into the first empty slot; a full party or a member that
  // fails to initialise leaves the party as it was. Returns the slot count.
  int AddMember(int characterNo, int pictureNo);
  void SwapMembers(int a, int b);
  // The first slot holding a member, looking at most at the four slots from
  // `from` on in steps of step (1 or -1), wrapping past either end; -1 when
  // the party has no member.
  int FindMemberSlot(int from, int step) const;
  void ClearMembers();

  // Adds count (1 or more) of an item: to its first stack, held at 99, or as a
  // new stack in the first empty slot. Returns the slot count, or 0 when
  // nothing could be stored: a count below 1, an id without a table row, a
  // stack already at 99 or a full inventory.
  int AddItem(int count, int itemId);
  // The count left in the item's first stack; 0 once the stack is gone or when
  // there was none.
  int RemoveItem(int itemId, int count);
  int GetItemCount(int itemId) const;
  // How many equipment slots of all members hold the item.
  int GetEquipCount(int itemId) const;
  ItemStack* GetItem(int slot) const;
  // Exchanges the contents of two inventory slots (either may be empty);
  // an index outside the inventory changes nothing.
  void SwapItemSlots(int a, int b);
  void ClearItems();
  // Stacks first by ascending item id, empty slots last.
  void SortItems();

  // The inventory stacks a member of job could put into equipment slot (the
  // party's own stacks, not copies). Returns their number.
  int GetEquipList(std::vector<ItemStack*>* out, int job, int slot) const;

  // Places every member for a battle and starts the slide-in of the living.
  void SetBattlePosition();
  // One escape roll: 1 and the run-away pose on success, else every member's
  // escape attempt is marked and 0.
  int TryEscape();
  // While the battle is the current mode, each member's battle sprite in
  // slot order.
  void DrawBattle();

 private:
  std::unique_ptr<CPlayerChar> m_members[kPartyMemberSlots];
  std::unique_ptr<ItemStack> m_items[kInventorySlots];
};

// The inventory order: a comes first when it is a stack and b is empty or has
// a higher item id.
bool CompareItemStack(const ItemStack* a, const ItemStack* b);

// Whether a member of job may equip an item of equip group.
bool CanJobEquip(int equipGroup, int job);

#endif
