#include "CStoreAmountWindow.h"

#include <stdio.h>

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"
#include "StoreRules.h"

namespace {

constexpr int kEntryLeft = 30;
constexpr int kEntryTop = 10;

}  // namespace

CStoreAmountWindow::CStoreAmountWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

void CStoreAmountWindow::SetItem(int itemMode, int itemRate, const ItemData& itemData) {
  mode = itemMode;
  rate = itemRate;
  item = itemData;
  ClearItems();
  AddItem(0, 1, kEntryLeft, kEntryTop, item.name, 0, 0);
  SetCursorIndex(0);
  amount = 1;
  owned = party->GetItemCount(item.id);
  equipped = party->GetEquipCount(item.id);
}

int CStoreAmountWindow::GetShownTotal() const {
  if (mode == STORE_SELL) return StoreShownSaleTotal(item.price, rate, amount);
  return StoreUnitPrice(item.price, rate) * amount;
}

void CStoreAmountWindow::Control(const CManipulator& keyboard) {
  // Hidden at the end of a pause, it keeps the focus until the end of the
  // next frame: a key then must not buy or sell again.
  if (!active || !visible) {
    CFrameWindow::Update();
    return;
  }
  CMenuWindow::Control(keyboard);
  if (keyboard.IsTriggered(KEY_UP)) {
    amount += 10;
  } else if (keyboard.IsTriggered(KEY_DOWN)) {
    amount -= 10;
  } else if (keyboard.IsTriggered(KEY_LEFT)) {
    amount -= 1;
  } else if (keyboard.IsTriggered(KEY_RIGHT)) {
    amount += 1;
  }
  if (mode == STORE_SELL) {
    amount = ClampSellAmount(amount, owned);
  } else {
    amount = ClampBuyAmount(amount, owned, party->money, StoreUnitPrice(item.price, rate));
  }
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}

void CStoreAmountWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  const int ex = x + kEntryLeft, ey = y + kEntryTop;
  char text[64];
  DrawStringDefaultFont(ex, ey, item.name, COLOR_WHITE, 0);
  snprintf(text, sizeof text, "： %2d", amount);
  DrawStringDefaultFont(ex + 99, ey, text, COLOR_WHITE, 0);
  snprintf(text, sizeof text, "… %6dギル", GetShownTotal());
  DrawStringDefaultFont(ex + 129, ey, text, COLOR_WHITE, 0);
  snprintf(text, sizeof text, "もっているかず　　： %2d", owned);
  DrawStringDefaultFont(ex, ey + 20, text, COLOR_WHITE, 0);
  snprintf(text, sizeof text, "そうびしているかず： %2d", equipped);
  DrawStringDefaultFont(ex, ey + 40, text, COLOR_WHITE, 0);
  if (active) cursor->Draw();
}
