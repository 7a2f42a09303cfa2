#include "CEquipCharWindow.h"

#include "CCursor.h"
#include "CEquipWindow.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kSlotY[kEquipSlotCount] = {20, 32, 47, 59, 71};
constexpr int kTextY[kEquipSlotCount] = {20, 32, 46, 58, 70};
constexpr const char* kSlotLabels[kEquipSlotCount] = {"みぎて", "ひだりて", "あたま", "からだ",
                                                      "アクセサリ"};

// Whether a hand's line reads "すで": the hand is empty and neither hand holds
// an item of groups 2 to 5.
bool ShowsBareHand(const CPlayerChar& member, int slot) {
  if (member.equipment[slot].id != 0) return false;
  for (int hand : {EQUIP_RIGHT_HAND, EQUIP_LEFT_HAND}) {
    const int group = member.equipment[hand].equipGroup;
    if (group >= 2 && group <= 5) return false;
  }
  return true;
}

}  // namespace

CEquipCharWindow::CEquipCharWindow() = default;

CEquipCharWindow::CEquipCharWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CEquipCharWindow::Init(CPlayerParty* memberParty, CEquipWindow* screen) {
  party = memberParty;
  owner = screen;
  x = 0;
  y = 0;
  width = 320;
  height = 85;
  horizontal = 0;
  wrap = 0;
  ClearItems();
  for (int i = 0; i < kEquipSlotCount; ++i) AddItem(i, 1, 100, kSlotY[i], "slot", 0, 0);
  return CopyWindowSkin();
}

int CEquipCharWindow::SetCursorIndex(int i) {
  CMenuWindow::SetCursorIndex(i);
  owner->currentSlot = index;
  if (owner->menu.index == 0) {
    owner->itemList.SetItems();
  } else {
    owner->itemList.ClearCandidates();
  }
  return index;
}

void CEquipCharWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}

void CEquipCharWindow::Draw() {
  CFrameWindow::Draw();
  const CPlayerChar* member = party->GetMember(owner->memberIndex);
  if (member == nullptr) return;
  for (int slot = 0; slot < kEquipSlotCount; ++slot) {
    DrawStringDefaultFont(x + 6, y + kTextY[slot], kSlotLabels[slot], COLOR_WHITE, 0);
    const bool hand = slot == EQUIP_RIGHT_HAND || slot == EQUIP_LEFT_HAND;
    const char* name = hand && ShowsBareHand(*member, slot) ? "すで" : member->equipment[slot].name;
    DrawStringDefaultFont(x + 100, y + kTextY[slot], name, COLOR_WHITE, 0);
  }
  member->battle.DrawFrameAt(x + 210, y + 20, 0);
  DrawStringDefaultFont(x + 245, y + 20, member->name, COLOR_WHITE, 0);
  DrawStringDefaultFont(x + 245, y + 32, JobName(member->job), COLOR_WHITE, 0);
  DrawStringDefaultFont(x + 210, y + 48, "そうび", COLOR_WHITE, 0);
  if (active) cursor->Draw();
}
