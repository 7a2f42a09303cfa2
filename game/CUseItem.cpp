#include "CUseItem.h"

#include "CGame.h"
#include "CPlayerParty.h"
#include "Ombrel.h"

namespace {

constexpr int kHealBase = 45;
constexpr int kMpBase = 25;
constexpr int kSpread = 11;  // both add 0 to 10 at random
constexpr int kRandomMax = 1000;

}  // namespace

CUseItem::CUseItem() = default;

CUseItem::~CUseItem() = default;

CUseItem* CUseItem::GetInstance() {
  static CUseItem instance;
  return &instance;
}

int CUseItem::CanUse(int itemId) const {
  switch (itemId) {
    case 1:
    case 2:
    case 3:
    case 5:
      return 1;
    case 4:
      return game != nullptr && game->GetMode() == MODE_FIELD && game->map.mapId == 1 ? 1 : 0;
    default:
      return 0;
  }
}

int CUseItem::RecoverHP(int memberIndex) {
  CPlayerChar* member = party != nullptr ? party->GetMember(memberIndex) : nullptr;
  if (member == nullptr || member->hp >= member->params.maxHp) return 0;
  // The heal would be ignored at 0 HP; refusing keeps the item.
  if (member->hp <= 0) return 0;
  member->Damage(-(kHealBase + GetRandomInt(kRandomMax) % kSpread));
  return 1;
}

int CUseItem::CurePoison(int memberIndex) {
  CPlayerChar* member = party != nullptr ? party->GetMember(memberIndex) : nullptr;
  if (member == nullptr || member->status == 0) return 0;
  member->status = 0;
  return 1;
}

int CUseItem::RecoverMP(int memberIndex) {
  CPlayerChar* member = party != nullptr ? party->GetMember(memberIndex) : nullptr;
  if (member == nullptr || member->mp >= member->params.maxMp) return 0;
  member->DamageMP(-(kMpBase + GetRandomInt(kRandomMax) % kSpread));
  return 1;
}

int CUseItem::Revive(int memberIndex) {
  CPlayerChar* member = party != nullptr ? party->GetMember(memberIndex) : nullptr;
  if (member == nullptr || member->hp != 0) return 0;
  member->hp = member->params.maxHp / 10 + 1;
  return 1;
}
