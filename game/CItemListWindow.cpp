#include "CItemListWindow.h"

#include <stdio.h>

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kRowStep = 2;  // positions per row
constexpr int kMarkLeft = 12;
constexpr int kMarkUp = 3;
constexpr int kCountOffsetX = 95;

}  // namespace

CItemListWindow::CItemListWindow() = default;

CItemListWindow::CItemListWindow(CCursor* sharedCursor) : CListWindow(sharedCursor) {}

int CItemListWindow::Init(CPlayerParty* itemParty, CCoWndManager* screen) {
  party = itemParty;
  owner = screen;
  const int loaded = CListWindow::Init(73, 320, 167);
  horizontal = 1;
  wrap = 0;
  rowsPerPage = kItemListEntries;
  firstRow = 0;
  totalRows = kInventorySlots;
  ClearItems();
  for (int i = 0; i < kItemListEntries; ++i) {
    AddItem(i, 1, i % 2 == 0 ? 30 : 170, 10 + 15 * (i / 2), "アイテム", 0, 0);
  }
  return loaded;
}

void CItemListWindow::SetVisible(int v) {
  CListWindow::SetVisible(v);
  if (v == 1) {
    firstRow = 0;
    Refresh();
  }
}

void CItemListWindow::Control(const CManipulator& keyboard) {
  if (!active || !visible) {
    CFrameWindow::Update();
    return;
  }
  const int scrollBefore = firstRow;
  const int lastEntry = kItemListEntries - 1;
  if (keyboard.IsTriggered(KEY_DOWN)) {
    if (index < lastEntry - 1) {
      SetCursorIndex(index + kRowStep);
    } else if (firstRow + kItemListEntries < totalRows) {
      firstRow += kRowStep;
    }
  }
  if (keyboard.IsTriggered(KEY_UP)) {
    if (index > 1) {
      SetCursorIndex(index - kRowStep);
    } else if (firstRow > 1) {
      firstRow -= kRowStep;
    }
  }
  // Crossing a page edge sideways scrolls one row and sets the cursor one
  // entry short of its goal, so that the base step below lands on the next
  // (or previous) inventory position.
  if (keyboard.IsTriggered(KEY_RIGHT) && index == lastEntry &&
      firstRow + kItemListEntries < totalRows) {
    firstRow += kRowStep;
    SetCursorIndex(lastEntry - 2);
  }
  if (keyboard.IsTriggered(KEY_LEFT) && index == 0 && firstRow > 1) {
    firstRow -= kRowStep;
    SetCursorIndex(2);
  }
  CMenuWindow::Control(keyboard);
  if (keyboard.IsTriggered(KEY_Z)) {
    if (markedFlag) {
      cursor->ClearMarks();
      markedFlag = 0;
      return;
    }
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X) && active) {
    if (!markedFlag) {
      markedFlag = 1;
      markedPosition = CursorPosition();
      cursor->AddMark(x + entries[index]->x - kMarkLeft, y + entries[index]->y - kMarkUp);
    } else {
      SwapItems();
      cursor->ClearMarks();
      markedFlag = 0;
    }
  }
  if (firstRow != scrollBefore) Refresh();
}

void CItemListWindow::SwapItems() {
  const int position = CursorPosition();
  if (position == markedPosition) {
    owner->OnSelect(this, position);
  } else {
    party->SwapItemSlots(markedPosition, position);
  }
  Refresh();
}

void CItemListWindow::Refresh() {
  cursor->ClearMarks();
  if (keyItemFlag) {
    for (std::unique_ptr<MenuEntry>& entry : entries) {
      entry->text.clear();
      entry->enabled = 1;
      entry->value1 = 0;
      entry->value2 = 0;
    }
    return;
  }
  for (int i = 0; i < GetItemCount(); ++i) {
    const int position = firstRow + i;
    const ItemStack* stack = party->GetItem(position);
    if (stack != nullptr) {
      char text[64];
      snprintf(text, sizeof text, "%s", stack->item.name);
      SetItemText(i, text, stack->count);
      // Weapons and armour are listed grey: they are inspected, not used.
      entries[i]->enabled = stack->item.IsEquipment() ? 0 : 1;
    } else {
      SetItemText(i, "", 0);
    }
    if (markedFlag && markedPosition == position) {
      cursor->AddMark(x + entries[i]->x - kMarkLeft, y + entries[i]->y - kMarkUp);
    }
  }
}

void CItemListWindow::Draw() {
  if (!visible) return;
  DrawListFrame();
  for (const std::unique_ptr<MenuEntry>& entry : entries) {
    if (entry->value2 == 0) continue;
    const ColorCode colour = entry->enabled ? COLOR_WHITE : COLOR_GRAY;
    DrawStringDefaultFont(x + entry->x + 8, y + entry->y, entry->text.c_str(), colour, 0);
    char count[16];
    snprintf(count, sizeof count, ": %2d", entry->value2);
    DrawStringDefaultFont(x + entry->x + kCountOffsetX, y + entry->y, count, colour, 0);
  }
  if (active) {
    if (markedFlag) cursor->DrawMarks();
    cursor->Draw();
  }
}
