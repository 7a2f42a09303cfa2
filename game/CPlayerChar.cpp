#include "CPlayerChar.h"

#include <stdio.h>
#include <string.h>

#include "CDataManager.h"
#include "CGame.h"
#include "CManipulator.h"
#include "CMapManager.h"
#include "CNumberDisplay.h"
#include "CPlayerParty.h"

namespace {

constexpr int kHitPoseFrames = 18;
constexpr int kHitPoseOffsetX = 4;

bool IsValidSlot(int slot) { return slot >= 0 && slot < kEquipSlotCount; }

int ClampToInt(int64_t value, int low, int high) {
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<int>(value);
}

}  // namespace

const char* JobName(int job) {
  static const char* const kNames[] = {"すっぴん", "せんし", "くろまどうし", "しろまどうし"};
  return job >= 0 && job < 4 ? kNames[job] : "ふめい";
}

const char* GetCharacterName(int characterNo) {
  switch (characterNo) {
    case 1:
      return "ディノ";
    case 2:
      return "マリア";
    case 3:
      return "ミリア";
    case 4:
      return "ジャックス";
    default:
      return "";
  }
}

int WalkFrame(int scrollX, int scrollY, int cellX, int cellY) {
  static const int kFrames[8] = {1, 0, 0, 1, 1, 2, 2, 1};
  const int scroll = scrollX != 0 ? scrollX : scrollY;
  const int step = (scroll < 0 ? -scroll : scroll) / 4;
  // A scroll of one cell is below 16 pixels, and cells alternate by parity.
  const int parity = ((cellX + cellY) % 2 + 2) % 2;
  return kFrames[(step & 3) + 4 * parity];
}

CPlayerChar::CPlayerChar() = default;
CPlayerChar::~CPlayerChar() = default;

int CPlayerChar::Init(CPlayerParty* owner, int characterNo, int pictureNo) {
  party = owner;
  characterNumber = characterNo;
  pictureNumber = pictureNo;
  for (ItemData& slot : equipment) slot = ItemData{};
  CDataManager::GetInstance().LoadLvInfo(&base, 1, characterNo);
  snprintf(name, sizeof name, "%s", GetCharacterName(characterNo));
  level = 1;
  jobLevel = 1;
  CalcParam();
  hp = params.maxHp;
  mp = params.maxMp;
  commands[0] = CMD_FIGHT;
  commands[1] = 0;
  commands[2] = 0;
  commands[3] = CMD_ITEM;
  const int fieldLoaded = SetCharacter(characterNo, pictureNo);
  const int battleLoaded = battle.Load(characterNo, pictureNo, this);
  x = kPlayerScreenX;
  y = kPlayerScreenY;
  offsetX = 0;
  offsetY = 0;
  direction = DIR_UP;
  const CMapManager& map = CGame::GetInstance()->map;
  cellX = map.playerX;
  cellY = map.playerY;
  return fieldLoaded != 0 && battleLoaded != 0 ? 1 : 0;
}

void CPlayerChar::Release() {
  CCharacterObject::Release();
  battle.Release();
}

void CPlayerChar::UpdateField(CMapManager* map, const CManipulator& keyboard) {
  if (!map->IsScrolling()) {
    if (keyboard.IsHeld(KEY_UP)) {
      direction = DIR_UP;
    } else if (keyboard.IsHeld(KEY_DOWN)) {
      direction = DIR_DOWN;
    } else if (keyboard.IsHeld(KEY_LEFT)) {
      direction = DIR_LEFT;
    } else if (keyboard.IsHeld(KEY_RIGHT)) {
      direction = DIR_RIGHT;
    }
    if (keyboard.IsTriggered(KEY_X)) map->CheckFront(direction);
  }
  UpdateWalkFrame(*map);
}

void CPlayerChar::UpdateWalkFrame(const CMapManager& map) {
  cellX = map.playerX;
  cellY = map.playerY;
  stepFrame = WalkFrame(map.scrollX, map.scrollY, cellX, cellY);
}

void CPlayerChar::CalcParamInto(CharParams* out, const ItemData* const slots[kEquipSlotCount],
                                int candidateSlot) const {
  // An empty slot holds item 0; a candidate counts whatever its id.
  auto counts = [&](int i) {
    return slots[i] != nullptr && (i == candidateSlot || slots[i]->id != 0);
  };
  *out = CharParams{};
  LevelParams values = base;
  for (int i = 0; i < kEquipSlotCount; ++i) {
    if (!counts(i)) continue;
    const ItemData* item = slots[i];
    values.maxHp += item->baseBonus.maxHp;
    values.maxMp += item->baseBonus.maxMp;
    values.strength += item->baseBonus.strength;
    values.stamina += item->baseBonus.stamina;
    values.agility += item->baseBonus.agility;
    values.magic += item->baseBonus.magic;
    values.spirit += item->baseBonus.spirit;
    values.luck += item->baseBonus.luck;
  }
  static_cast<LevelParams&>(*out) = values;
  out->attack = values.strength;
  out->defence = values.stamina;
  out->magicDefence = values.spirit;
  out->evasion = values.luck / 10;
  out->magicEvasion = values.spirit + values.luck / 10;
  out->equipWeight = 0;
  for (int i = 0; i < kEquipSlotCount; ++i) {
    if (!counts(i)) continue;
    const ItemData* item = slots[i];
    out->attack += item->battleBonus.attack;
    out->defence += item->battleBonus.defence;
    out->magicDefence += item->battleBonus.magicDefence;
    out->evasion += item->battleBonus.evasion;
    out->magicEvasion += item->battleBonus.magicEvasion;
    out->equipWeight += item->battleBonus.weight;
  }
}

void CPlayerChar::CalcParam() {
  const ItemData* slots[kEquipSlotCount];
  for (int i = 0; i < kEquipSlotCount; ++i) slots[i] = &equipment[i];
  CalcParamInto(&params, slots, -1);
}

void CPlayerChar::CalcParamWith(CharParams* out, const ItemData* candidate, int slot) const {
  const ItemData* slots[kEquipSlotCount];
  for (int i = 0; i < kEquipSlotCount; ++i) slots[i] = i == slot ? candidate : &equipment[i];
  CalcParamInto(out, slots, slot);
}

int CPlayerChar::Equip(int slot, const ItemData* item) {
  if (!IsValidSlot(slot)) return 0;
  if (item == nullptr) return Unequip(slot);
  // Copy before the inventory may delete the stack the item came from.
  equipment[slot] = *item;
  if (party != nullptr) party->RemoveItem(equipment[slot].id, 1);
  return 1;
}

int CPlayerChar::Unequip(int slot) {
  if (!IsValidSlot(slot)) return 0;
  if (equipment[slot].id != 0 && party != nullptr && party->AddItem(1, equipment[slot].id) == 0) {
    // The inventory has no room for it: it stays on rather than being lost.
    return 0;
  }
  equipment[slot] = ItemData{};
  return 1;
}

void CPlayerChar::Damage(int value) {
  if (hp <= 0 && value < 0) return;
  if (m_sprite != nullptr && m_sprite->IsInBattle()) {
    const int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
    m_sprite->ShowNumber(ClampToInt(magnitude, 0, INT32_MAX), DamageNumberColour(value));
    if (hp > 0) m_sprite->StartPose(POSE_HIT, kHitPoseFrames, kHitPoseOffsetX, 0);
  }
  const int64_t left = static_cast<int64_t>(hp) - value;
  if (left <= 0) {
    hp = 0;
    if (m_sprite != nullptr) m_sprite->ShowFrame(kFallenFrame);
  } else {
    hp = ClampToInt(left, 0, params.maxHp);
  }
}

void CPlayerChar::DamageMP(int value) {
  const int64_t left = static_cast<int64_t>(mp) - value;
  mp = left <= 0 ? 0 : ClampToInt(left, 0, params.maxMp);
}

bool CPlayerChar::LevelUpOnce() {
  // A table that ends before level 99 ends the levels there, rather than
  // raising the member without values to raise it to.
  int nextExp = 0;
  if (!CDataManager::GetInstance().LoadLvExp(level + 1, characterNumber, &nextExp)) {
    return false;
  }
  if (nextExp - static_cast<int64_t>(exp) > 0) return false;
  printf("[%s] Lvアップ [%d] → [%d]\n", name, level, level + 1);
  ++level;
  CDataManager::GetInstance().LoadLvInfo(&base, level, characterNumber);
  CalcParam();
  return true;
}

int CPlayerChar::AddExp(int gained) {
  if (level >= kMaxLevel) return 0;
  exp = ClampToInt(static_cast<int64_t>(exp) + gained, 0, kMaxExp);
  bool raised = false;
  while (level < kMaxLevel && LevelUpOnce()) raised = true;
  return raised ? 1 : 0;
}
