#include "CEquipItemListWindow.h"

#include "CCursor.h"
#include "CEquipWindow.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

CEquipItemListWindow::CEquipItemListWindow() = default;

CEquipItemListWindow::CEquipItemListWindow(CCursor* sharedCursor) : CListWindow(sharedCursor) {}

int CEquipItemListWindow::Init(CPlayerParty* memberParty, CEquipWindow* screen) {
  party = memberParty;
  owner = screen;
  const int loaded = CListWindow::Init(85, 150, 155);
  horizontal = 0;
  wrap = 0;
  ClearCandidates();
  return loaded;
}

void CEquipItemListWindow::ClearCandidates() {
  ClearItems();
  candidates.clear();
  firstRow = 0;
  rowsPerPage = 0;
  totalRows = 0;
  index = 0;
}

void CEquipItemListWindow::SetItems() {
  ClearItems();
  const CPlayerChar* member = party->GetMember(owner->memberIndex);
  if (member == nullptr) {
    ClearCandidates();
    return;
  }
  const int count = party->GetEquipList(&candidates, member->job, owner->currentSlot);
  for (int i = 0; firstRow + i < count; ++i) {
    AddItem(i, 1, 30, 10 + 15 * i, candidates[firstRow + i]->item.name, 0, 0);
  }
  rowsPerPage = count;
  totalRows = count;
  // The index is written directly: the shared cursor may stand on another
  // menu while the list is refilled.
  if (index >= GetItemCount()) index = GetItemCount() > 0 ? GetItemCount() - 1 : 0;
}

const ItemData* CEquipItemListWindow::GetSelectedItem() const {
  const int position = firstRow + index;
  if (position < 0 || position >= static_cast<int>(candidates.size())) return nullptr;
  const ItemStack* stack = candidates[position];
  return stack != nullptr ? &stack->item : nullptr;
}

void CEquipItemListWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, firstRow + index);
  }
}

void CEquipItemListWindow::Draw() {
  if (!visible) return;
  DrawListFrame();
  for (const std::unique_ptr<MenuEntry>& entry : entries) {
    DrawStringDefaultFont(x + entry->x + 8, y + entry->y, entry->text.c_str(),
                          entry->enabled ? COLOR_WHITE : COLOR_GRAY, 0);
  }
  if (active) cursor->Draw();
}
