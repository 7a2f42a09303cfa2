#include "CStoreWindow.h"

#include <string.h>

#include "CCursor.h"
#include "CDataManager.h"
#include "CPlayerParty.h"
#include "StoreRules.h"

namespace {

struct WindowPlace {
  int x, y, width, height;
};

constexpr WindowPlace kTitlePlace = {0, 0, 70, 28};
constexpr WindowPlace kClerkPlace = {70, 0, 250, 28};
constexpr WindowPlace kMenuPlace = {0, 28, 160, 28};
constexpr WindowPlace kGillPlace = {160, 28, 160, 28};
constexpr WindowPlace kListPlace = {0, 56, 260, 145};
constexpr WindowPlace kPartyPlace = {260, 56, 60, 155};
constexpr WindowPlace kAmountPlace = {0, 56, 260, 100};
constexpr WindowPlace kDescPlace = {0, 156, 260, 45};

// Places a framed window and gives it the skin; 0 without a skin.
int Place(CFrameWindow* window, const WindowPlace& place) {
  window->x = place.x;
  window->y = place.y;
  window->width = place.width;
  window->height = place.height;
  return window->CopyWindowSkin();
}

}  // namespace

CStoreWindow::CStoreWindow(CCursor* sharedCursor)
    : menuWindow(sharedCursor),
      listWindow(sharedCursor),
      itemWindow(sharedCursor),
      amountWindow(sharedCursor) {
  menuWindow.owner = this;
  listWindow.owner = this;
  listWindow.partyWindow = &partyWindow;
  itemWindow.owner = this;
  amountWindow.owner = this;
}

CStoreWindow::~CStoreWindow() = default;

int CStoreWindow::Load() { return 0; }

void CStoreWindow::Release() { ClearGoods(); }

void CStoreWindow::Draw() {
  if (!visible) return;
  CCoWndManager::Draw();
}

int CStoreWindow::Init(CPlayerParty* shopParty) {
  party = shopParty;
  gillWindow.party = party;
  itemWindow.party = party;
  partyWindow.party = party;
  amountWindow.party = party;
  int skinned = 1;
  skinned &= Place(&titleWindow, kTitlePlace);
  skinned &= Place(&clerkWindow, kClerkPlace);
  skinned &= Place(&menuWindow, kMenuPlace);
  skinned &= Place(&gillWindow, kGillPlace);
  skinned &= Place(&listWindow, kListPlace);
  skinned &= itemWindow.Init();
  skinned &= Place(&partyWindow, kPartyPlace);
  skinned &= Place(&amountWindow, kAmountPlace);
  skinned &= Place(&descWindow, kDescPlace);
  menuWindow.Fill();
  windows.clear();
  for (CFrameWindow* window :
       std::initializer_list<CFrameWindow*>{&titleWindow, &clerkWindow, &menuWindow, &gillWindow,
                                            &listWindow, &itemWindow, &partyWindow, &amountWindow,
                                            &descWindow}) {
    windows.push_back(window);
  }
  SetFocus(&menuWindow);
  return skinned;
}

void CStoreWindow::SetGoods(int goodsRate, const std::vector<int>& itemIds) {
  rate = goodsRate;
  ClearGoods();
  CDataManager& data = CDataManager::GetInstance();
  for (int id : itemIds) {
    auto item = std::make_unique<ItemData>();
    // LoadItem leaves an empty record for an id without a row.
    data.LoadItem(id, item.get());
    goods.push_back(std::move(item));
  }
}

void CStoreWindow::ClearGoods() {
  // The windows point into the goods.
  listWindow.goods.clear();
  listWindow.ResetItems(0);
  partyWindow.target = nullptr;
  goods.clear();
}

void CStoreWindow::Open() {
  for (CFrameWindow* window : windows) {
    if (window->IsMenu()) static_cast<CMenuWindow*>(window)->SetActive(0);
  }
  pendingFocus = nullptr;
  menuWindow.SetActive(1);
  menuWindow.SetCursorIndex(STORE_MENU_BUY);
  for (CFrameWindow* window : std::initializer_list<CFrameWindow*>{
           &listWindow, &itemWindow, &partyWindow, &amountWindow, &descWindow}) {
    window->SetVisible(0);
  }
  strncpy(titleWindow.text, GetStoreTitle(type), sizeof titleWindow.text - 1);
  titleWindow.text[sizeof titleWindow.text - 1] = '\0';
  Say(STORE_LINE_GREETING);
  pauseCounter = 0;
}

void CStoreWindow::Update(const CManipulator& keyboard) {
  if (!visible) return;
  if (pauseCounter == 0) {
    Control(keyboard);
    return;
  }
  if (--pauseCounter == 0) FinishTransaction();
}

void CStoreWindow::FinishTransaction() {
  if (menuWindow.index == STORE_MENU_BUY) {
    if (amountWindow.visible) party->AddItem(amountWindow.amount, currentItemId);
    Say(STORE_LINE_WHAT_TO_BUY);
    listWindow.SetVisible(1);
    SetFocus(&listWindow);
  } else if (menuWindow.index == STORE_MENU_SELL) {
    if (amountWindow.visible) party->RemoveItem(currentItemId, amountWindow.amount);
    Say(STORE_LINE_WHAT_TO_SELL);
    itemWindow.SetVisible(1);
    SetFocus(&itemWindow);
  }
  amountWindow.SetVisible(0);
  descWindow.SetVisible(0);
}

void CStoreWindow::OnSelect(CFrameWindow* window, int index) {
  if (window == &menuWindow) {
    switch (index) {
      case STORE_MENU_BUY:
        ShowBuyList();
        partyWindow.blink = 0;
        partyWindow.SetTargetItem(goods.empty() ? nullptr : goods.front().get());
        break;
      case STORE_MENU_SELL:
        ShowSellList();
        break;
      case STORE_MENU_LEAVE:
        Close();
        break;
      default:
        break;
    }
  } else if (window == &listWindow) {
    const ItemData* item = listWindow.GetSelectedItem();
    if (item == nullptr) return;
    if (party->money < StoreUnitPrice(item->price, rate)) {
      Say(STORE_LINE_NO_MONEY);
      BeginPause();
    } else if (party->GetItemCount(item->id) >= kMaxItemCount) {
      Say(STORE_LINE_CANNOT_CARRY);
      BeginPause();
    } else {
      listWindow.SetVisible(0);
      Say(STORE_LINE_HOW_MANY_TO_BUY);
      partyWindow.blink = 1;
      amountWindow.SetItem(STORE_BUY, rate, *item);
      amountWindow.SetVisible(1);
      currentItemId = item->id;
      descWindow.SetMessage(item->description);
      descWindow.SetVisible(1);
      SetFocus(&amountWindow);
    }
  } else if (window == &itemWindow) {
    const ItemData* item = itemWindow.GetSelectedItem();
    if (item == nullptr) return;
    itemWindow.SetVisible(0);
    Say(STORE_LINE_HOW_MANY_TO_SELL);
    amountWindow.SetItem(STORE_SELL, rate, *item);
    amountWindow.SetVisible(1);
    currentItemId = amountWindow.item.id;
    descWindow.SetMessage(amountWindow.item.description);
    descWindow.SetVisible(1);
    SetFocus(&amountWindow);
  } else if (window == &amountWindow) {
    Say(STORE_LINE_THANKS);
    partyWindow.blink = 0;
    const int listPrice = amountWindow.item.price;
    if (amountWindow.mode == STORE_SELL) {
      party->money =
          MoneyAfterSale(party->money, StoreSalePrice(listPrice, rate), amountWindow.amount);
    } else {
      party->money =
          MoneyAfterPurchase(party->money, StoreUnitPrice(listPrice, rate), amountWindow.amount);
    }
    BeginPause();
  }
}

void CStoreWindow::OnCancel(CFrameWindow* window) {
  if (window == &menuWindow) {
    Close();
  } else if (window == &listWindow) {
    Say(STORE_LINE_GREETING);
    partyWindow.SetVisible(0);
    listWindow.SetVisible(0);
    menuWindow.SetCursorIndex(STORE_MENU_BUY);
    SetFocus(&menuWindow);
  } else if (window == &itemWindow) {
    Say(STORE_LINE_GREETING);
    partyWindow.SetVisible(0);
    itemWindow.SetVisible(0);
    menuWindow.SetCursorIndex(STORE_MENU_SELL);
    SetFocus(&menuWindow);
  } else if (window == &amountWindow) {
    partyWindow.blink = 0;
    amountWindow.SetVisible(0);
    descWindow.SetVisible(0);
    if (amountWindow.mode == STORE_SELL) {
      Say(STORE_LINE_WHAT_TO_SELL);
      itemWindow.SetVisible(1);
      SetFocus(&itemWindow);
    } else {
      Say(STORE_LINE_WHAT_TO_BUY);
      listWindow.SetVisible(1);
      SetFocus(&listWindow);
    }
  }
}

void CStoreWindow::Say(int line) { clerkWindow.SetText(GetStoreClerkLine(pattern, line)); }

void CStoreWindow::Close() {
  menuWindow.cursor->visible = 0;
  visible = 0;
  for (CFrameWindow* window : windows) window->SetVisible(0);
}

void CStoreWindow::ShowBuyList() {
  Say(STORE_LINE_WHAT_TO_BUY);
  listWindow.SetGoods(goods, rate);
  // The list starts on the first goods item, the party window's first target.
  listWindow.SetCursorIndex(0);
  partyWindow.SetVisible(type == STORE_WEAPON || type == STORE_ARMOUR ? 1 : 0);
  listWindow.SetVisible(1);
  SetFocus(&listWindow);
}

void CStoreWindow::ShowSellList() {
  Say(STORE_LINE_WHAT_TO_SELL);
  itemWindow.SetVisible(1);
  SetFocus(&itemWindow);
}

void CStoreWindow::BeginPause() { pauseCounter = kStorePauseFrames; }
