#include "CStoreListWindow.h"

#include <stdio.h>

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "CStorePartyWindow.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kEntryLeft = 30;
constexpr int kEntryTop = 10;
constexpr int kEntryStep = 15;
// The price column stands this far right of the name.
constexpr int kPriceOffset = 120;

}  // namespace

CStoreListWindow::CStoreListWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

CStoreListWindow::~CStoreListWindow() = default;

void CStoreListWindow::SetGoods(const std::vector<std::unique_ptr<ItemData>>& shopGoods,
                                int shopRate) {
  goods.clear();
  for (const std::unique_ptr<ItemData>& item : shopGoods) goods.push_back(item.get());
  rate = shopRate;
  ResetItems(static_cast<int>(goods.size()));
}

void CStoreListWindow::ResetItems(int n) {
  ClearItems();
  for (int i = 0; i < n; ++i) AddItem(i, 1, kEntryLeft, kEntryTop + kEntryStep * i, "", 0, 0);
  // A shorter list than the last shop's must not leave the cursor past it.
  if (index >= n) index = n > 0 ? n - 1 : 0;
}

const ItemData* CStoreListWindow::GetSelectedItem() const {
  if (index < 0 || index >= GetItemCount() || index >= static_cast<int>(goods.size())) {
    return nullptr;
  }
  return goods[index];
}

void CStoreListWindow::Control(const CManipulator& keyboard) {
  if (!active) {
    CFrameWindow::Update();
    return;
  }
  const int before = index;
  CMenuWindow::Control(keyboard);
  if (index != before) partyWindow->SetTargetItem(GetSelectedItem());
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}

void CStoreListWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  const int count = GetItemCount();
  for (int i = 0; i < count && i < static_cast<int>(goods.size()); ++i) {
    const MenuEntry& entry = *entries[i];
    char price[16];
    snprintf(price, sizeof price, "%6d", goods[i]->price);
    DrawStringDefaultFont(x + entry.x, y + entry.y, goods[i]->name, COLOR_WHITE, 0);
    DrawStringDefaultFont(x + entry.x + kPriceOffset, y + entry.y, price, COLOR_WHITE, 0);
  }
  if (active) cursor->Draw();
}
