#include "CEquipWindow.h"

#include <stdio.h>

#include "CPlayerParty.h"
#include "CSubScreenOwner.h"

namespace {

// Weapons and shields (kinds up to 4) are judged by their attack bonus,
// the other armour by its defence bonus.
int StrengthKey(const ItemData& item) {
  return item.kind <= 4 ? item.battleBonus.attack : item.battleBonus.defence;
}

}  // namespace

CEquipWindow::CEquipWindow() = default;

CEquipWindow::CEquipWindow(CCursor* sharedCursor)
    : charWindow(sharedCursor), itemList(sharedCursor), menu(sharedCursor) {}

int CEquipWindow::Init(CSubScreenOwner* camp, CPlayerParty* memberParty) {
  owner = camp;
  party = memberParty;
  windows.clear();
  charWindow.Init(party, this);
  windows.push_back(&charWindow);
  itemList.Init(party, this);
  windows.push_back(&itemList);
  paramWindow.Init(party, this);
  windows.push_back(&paramWindow);
  menu.Init(this);
  windows.push_back(&menu);
  titleTag.x = 250;
  titleTag.y = 0;
  titleTag.width = 70;
  titleTag.height = 19;
  titleTag.CopyWindowSkin();
  snprintf(titleTag.text, sizeof titleTag.text, "%s", "そうび");
  titleTag.textX = 16;
  titleTag.textY = 4;
  windows.push_back(&titleTag);
  return 1;
}

int CEquipWindow::Load() { return 0; }

void CEquipWindow::Update() {}

void CEquipWindow::Draw() {
  if (visible) CCoWndManager::Draw();
}

void CEquipWindow::Release() {}

CPlayerChar* CEquipWindow::Member() const { return party->GetMember(memberIndex); }

void CEquipWindow::Show(int v) {
  visible = v;
  for (CFrameWindow* window : windows) window->SetVisible(v);
}

void CEquipWindow::OpenFromCamp(int member) {
  memberIndex = member;
  Show(1);
  titleTag.SetVisible(0);
  menu.SetVisible(1);
  itemList.ClearCandidates();
  SetFocus(&menu);
}

void CEquipWindow::EditSlots() {
  titleTag.SetVisible(1);
  menu.SetVisible(0);
  SetFocus(&charWindow);
}

void CEquipWindow::OnSelect(CFrameWindow* window, int index) {
  CPlayerChar* member = Member();
  if (window == &menu) {
    switch (index) {
      case 0:
        EditSlots();
        itemList.SetItems();
        break;
      case 1:
        EquipStrongest();
        break;
      case 2:
        itemList.ClearCandidates();
        EditSlots();
        break;
      case 3:
        RemoveAll();
        break;
      case 4:
        OnCancel(&menu);
        break;
      default:
        break;
    }
  } else if (window == &charWindow) {
    if (menu.index == 0 && itemList.GetItemCount() > 0) {
      SetFocus(&itemList);
    } else if (menu.index == 2 && member != nullptr) {
      member->Unequip(currentSlot);
      member->CalcParam();
    }
  } else if (window == &itemList) {
    const ItemData* selected = itemList.GetSelectedItem();
    if (selected != nullptr && member != nullptr) {
      // Taken before the inventory changes under the candidate's stack.
      const ItemData item = *selected;
      // With no room for the old item it stays on, rather than being
      // overwritten and lost.
      if (member->Unequip(currentSlot)) member->Equip(charWindow.index, &item);
      member->CalcParam();
    }
    SetFocus(&charWindow);
    itemList.SetItems();
  }
}

void CEquipWindow::OnCancel(CFrameWindow* window) {
  if (window == &menu) {
    Show(0);
    owner->ShowAgain();
  } else if (window == &charWindow) {
    titleTag.SetVisible(0);
    menu.SetVisible(1);
    SetFocus(&menu);
    itemList.ClearCandidates();
  } else if (window == &itemList) {
    SetFocus(&charWindow);
    itemList.SetItems();
  }
}

void CEquipWindow::EquipStrongest() {
  CPlayerChar* member = Member();
  if (member == nullptr) return;
  std::vector<ItemStack*> candidates;
  for (int slot = 0; slot < kEquipSlotCount; ++slot) {
    // An item the inventory cannot take back stays where it is.
    if (!member->Unequip(slot)) continue;
    party->GetEquipList(&candidates, member->job, slot);
    const ItemStack* best = nullptr;
    int bestKey = 0;
    for (const ItemStack* candidate : candidates) {
      const int key = StrengthKey(candidate->item);
      if (key > bestKey) {
        best = candidate;
        bestKey = key;
      }
    }
    if (best != nullptr) member->Equip(slot, &best->item);
  }
  member->CalcParam();
}

void CEquipWindow::RemoveAll() {
  CPlayerChar* member = Member();
  if (member == nullptr) return;
  for (int slot = 0; slot < kEquipSlotCount; ++slot) member->Unequip(slot);
  member->CalcParam();
}
