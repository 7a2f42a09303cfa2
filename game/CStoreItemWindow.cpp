#include "CStoreItemWindow.h"

#include <stdio.h>

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kWindowTop = 56;
constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 167;
constexpr int kLeftColumn = 30;
constexpr int kRightColumn = 170;
constexpr int kEntryTop = 10;
constexpr int kEntryStep = 15;
// The name and the count stand this far right of the entry's place.
constexpr int kNameOffset = 8;
constexpr int kCountOffset = 95;
constexpr int kLastScroll = kInventorySlots - kStoreItemEntries;

}  // namespace

CStoreItemWindow::CStoreItemWindow(CCursor* sharedCursor) : CListWindow(sharedCursor) {
  horizontal = 1;
  rowsPerPage = kStoreItemEntries / kStoreItemColumns;
  totalRows = kInventorySlots / kStoreItemColumns;
}

int CStoreItemWindow::Init() {
  const int result = CListWindow::Init(kWindowTop, kWindowWidth, kWindowHeight);
  ClearItems();
  for (int i = 0; i < kStoreItemEntries; ++i) {
    AddItem(i, 1, i % kStoreItemColumns == 0 ? kLeftColumn : kRightColumn,
            kEntryTop + kEntryStep * (i / kStoreItemColumns), "", 0, 0);
  }
  return result;
}

void CStoreItemWindow::SetVisible(int v) {
  CFrameWindow::SetVisible(v);
  if (!v) return;
  scroll = 0;
  Refresh();
}

void CStoreItemWindow::Refresh() {
  firstRow = scroll / kStoreItemColumns;
  for (int i = 0; i < GetItemCount(); ++i) {
    const ItemStack* stack = party->GetItem(scroll + i);
    if (stack != nullptr) {
      SetItemText(i, stack->item.name, stack->count);
    } else {
      SetItemText(i, "", 0);
    }
  }
  cursor->ClearMarks();
}

const ItemData* CStoreItemWindow::GetSelectedItem() const {
  const ItemStack* stack = party->GetItem(scroll + index);
  return stack != nullptr ? &stack->item : nullptr;
}

void CStoreItemWindow::Control(const CManipulator& keyboard) {
  if (!active) {
    CFrameWindow::Update();
    return;
  }
  const int before = scroll;
  const bool inFirstRow = index < kStoreItemColumns;
  const bool inLastRow = index >= kStoreItemEntries - kStoreItemColumns;
  if (keyboard.IsTriggered(KEY_DOWN)) {
    if (!inLastRow) {
      SetCursorIndex(index + kStoreItemColumns);
    } else if (scroll < kLastScroll) {
      scroll += kStoreItemColumns;
    }
  } else if (keyboard.IsTriggered(KEY_UP)) {
    if (!inFirstRow) {
      SetCursorIndex(index - kStoreItemColumns);
    } else if (scroll > 0) {
      scroll -= kStoreItemColumns;
    }
  }
  // Past either end of the page the row scrolls in and the menu's own step
  // lands on its nearest entry.
  if (keyboard.IsTriggered(KEY_RIGHT) && index == kStoreItemEntries - 1 && scroll < kLastScroll) {
    scroll += kStoreItemColumns;
    SetCursorIndex(kStoreItemEntries - 1 - kStoreItemColumns);
  }
  if (keyboard.IsTriggered(KEY_LEFT) && index == 0 && scroll > 0) {
    scroll -= kStoreItemColumns;
    SetCursorIndex(kStoreItemColumns);
  }
  CMenuWindow::Control(keyboard);
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, scroll + index);
  }
  if (scroll != before) Refresh();
}

void CStoreItemWindow::Draw() {
  if (!visible) return;
  DrawListFrame();
  for (const std::unique_ptr<MenuEntry>& entry : entries) {
    if (entry->value2 == 0) continue;
    const ColorCode colour = entry->enabled ? COLOR_WHITE : COLOR_GRAY;
    char count[16];
    snprintf(count, sizeof count, ": %2d", entry->value2);
    DrawStringDefaultFont(x + entry->x + kNameOffset, y + entry->y, entry->text.c_str(), colour, 0);
    DrawStringDefaultFont(x + entry->x + kCountOffset, y + entry->y, count, colour, 0);
  }
  if (active) cursor->Draw();
}
