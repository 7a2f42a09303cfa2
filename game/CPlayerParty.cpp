#include "CPlayerParty.h"

#include <algorithm>

#include "CDataManager.h"
#include "CGame.h"
#include "Ombrel.h"

namespace {

constexpr int kBattleFrontX = 230;
constexpr int kBattleBackX = 260;
constexpr int kSlideInFrames = 24;
constexpr int kSlideInOffsetX = 48;
constexpr int kRunAwayFrames = 64;

// Puts the object into the first empty slot; a full array drops it and
// answers false.
template <typename T, size_t N>
bool PlaceInFirstEmptySlot(std::unique_ptr<T> (&slots)[N], std::unique_ptr<T> object) {
  for (std::unique_ptr<T>& slot : slots) {
    if (!slot) {
      slot = std::move(object);
      return true;
    }
  }
  return false;
}

}  // namespace

bool CanJobEquip(int equipGroup, int job) {
  // Groups 0-2 fit every job; 3 warriors, 4 white mages, 5 black mages, and
  // the job without a class fits all of them.
  static const bool kTable[6][4] = {
      {true, true, true, true},   {true, true, true, true},  {true, true, true, true},
      {true, true, false, false}, {true, false, false, true}, {true, false, true, false},
  };
  if (equipGroup < 0 || equipGroup > 5 || job < 0 || job > 3) return false;
  return kTable[equipGroup][job];
}

bool CompareItemStack(const ItemStack* a, const ItemStack* b) {
  return a != nullptr && (b == nullptr || a->item.id < b->item.id);
}

CPlayerParty::CPlayerParty() = default;

CPlayerParty::~CPlayerParty() {
  ClearMembers();
  ClearItems();
}

int CPlayerParty::Init() {
  ClearMembers();
  ClearItems();
  return 1;
}

CPlayerChar* CPlayerParty::GetMember(int index) const {
  if (index < 0 || index >= kPartyMemberSlots) return nullptr;
  return m_members[index].get();
}

int CPlayerParty::AddMember(int characterNo, int pictureNo) {
  auto member = std::make_unique<CPlayerChar>();
  if (member->Init(this, characterNo, pictureNo) != 0) {
    PlaceInFirstEmptySlot(m_members, std::move(member));
  }
  return kPartyMemberSlots;
}

void CPlayerParty::SwapMembers(int a, int b) {
  if (a < 0 || b < 0 || a >= kPartyMemberSlots || b >= kPartyMemberSlots) return;
  std::swap(m_members[a], m_members[b]);
}

int CPlayerParty::FindMemberSlot(int from, int step) const {
  const int direction = step < 0 ? -1 : 1;
  int slot = ((from % kPartyMemberSlots) + kPartyMemberSlots) % kPartyMemberSlots;
  for (int looked = 0; looked < kPartyMemberSlots; ++looked) {
    if (m_members[slot]) return slot;
    slot = (slot + direction + kPartyMemberSlots) % kPartyMemberSlots;
  }
  return -1;
}

void CPlayerParty::ClearMembers() {
  for (std::unique_ptr<CPlayerChar>& slot : m_members) slot.reset();
}

int CPlayerParty::AddItem(int count, int itemId) {
  if (count < 1) return 0;
  for (std::unique_ptr<ItemStack>& stack : m_items) {
    if (stack && stack->item.id == itemId) {
      // A stack already at the cap stores nothing more.
      if (stack->count >= kMaxItemCount) return 0;
      stack->count = static_cast<int32_t>(
          std::min<int64_t>(static_cast<int64_t>(stack->count) + count, kMaxItemCount));
      return kInventorySlots;
    }
  }
  auto stack = std::make_unique<ItemStack>();
  // An unknown id would make a nameless stack of item 0 that nothing can find.
  if (CDataManager::GetInstance().LoadItem(itemId, &stack->item) == 0) return 0;
  stack->count = std::min(count, kMaxItemCount);
  return PlaceInFirstEmptySlot(m_items, std::move(stack)) ? kInventorySlots : 0;
}

int CPlayerParty::RemoveItem(int itemId, int count) {
  for (std::unique_ptr<ItemStack>& stack : m_items) {
    if (!stack || stack->item.id != itemId) continue;
    if (count < 0) return stack->count;
    if (stack->count > 0) stack->count -= std::min(count, stack->count);
    if (stack->count > 0) return stack->count;
    stack.reset();
    return 0;
  }
  return 0;
}

int CPlayerParty::GetItemCount(int itemId) const {
  for (const std::unique_ptr<ItemStack>& stack : m_items) {
    if (stack && stack->item.id == itemId) return stack->count;
  }
  return 0;
}

int CPlayerParty::GetEquipCount(int itemId) const {
  int count = 0;
  for (const std::unique_ptr<CPlayerChar>& member : m_members) {
    if (!member) continue;
    for (const ItemData& slot : member->equipment) {
      if (slot.id == itemId) ++count;
    }
  }
  return count;
}

ItemStack* CPlayerParty::GetItem(int slot) const {
  if (slot < 0 || slot >= kInventorySlots) return nullptr;
  return m_items[slot].get();
}

void CPlayerParty::SwapItemSlots(int a, int b) {
  if (a < 0 || b < 0 || a >= kInventorySlots || b >= kInventorySlots) return;
  std::swap(m_items[a], m_items[b]);
}

void CPlayerParty::ClearItems() {
  for (std::unique_ptr<ItemStack>& stack : m_items) stack.reset();
}

void CPlayerParty::SortItems() {
  std::stable_sort(std::begin(m_items), std::end(m_items),
                   [](const std::unique_ptr<ItemStack>& a, const std::unique_ptr<ItemStack>& b) {
                     return CompareItemStack(a.get(), b.get());
                   });
}

int CPlayerParty::GetEquipList(std::vector<ItemStack*>* out, int job, int slot) const {
  out->clear();
  if (slot < 0 || slot >= kEquipSlotCount) return 0;
  for (const std::unique_ptr<ItemStack>& stack : m_items) {
    if (!stack || stack->item.id < kFirstWeaponId) continue;
    if (EquipSlotOfKind(stack->item.kind) != slot) continue;
    if (!CanJobEquip(stack->item.equipGroup, job)) continue;
    out->push_back(stack.get());
  }
  return static_cast<int>(out->size());
}

void CPlayerParty::SetBattlePosition() {
  for (int i = 0; i < kPartyMemberSlots; ++i) {
    CPlayerChar* member = m_members[i].get();
    if (member == nullptr) continue;
    CMemberSprite* sprite = member->GetSprite();
    if (sprite == nullptr) continue;
    sprite->SetEscapeAttempt(0);
    // The front row stands 30 pixels nearer the enemies on the left.
    sprite->SetPosition((member->backRow != 0 ? kBattleBackX : kBattleFrontX) + 5 * i, 45 + 30 * i);
    if (member->hp > 0) sprite->StartPose(POSE_SLIDE_IN, kSlideInFrames, kSlideInOffsetX, 0);
  }
}

int CPlayerParty::TryEscape() {
  const int roll = static_cast<int>(static_cast<uint32_t>(GetRandomInt(99999)) % 240u);
  for (const std::unique_ptr<CPlayerChar>& member : m_members) {
    if (!member || member->GetSprite() == nullptr) continue;
    if (roll == 0) {
      if (member->hp > 0) member->GetSprite()->StartPose(POSE_RUN_AWAY, kRunAwayFrames, 0, 0);
    } else {
      member->GetSprite()->SetEscapeAttempt(1);
    }
  }
  return roll == 0 ? 1 : 0;
}

void CPlayerParty::DrawBattle() {
  if (CGame::GetInstance()->GetMode() != MODE_BATTLE) return;
  for (const std::unique_ptr<CPlayerChar>& member : m_members) {
    if (member) member->battle.Draw();
  }
}
