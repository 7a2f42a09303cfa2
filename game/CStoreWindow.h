// The shop screen that event scripts open: a title, the clerk's line, the
// menu ("かう", "うる", "でる"), the party's money, the buy and sell lists, the
// party, the amount chooser and the item's description. Prices follow the
// shop's rate; after a purchase, a sale or a refusal the clerk's answer
// stands for 45 frames without input, and only then do the items move.
#ifndef MOONLITCAIRN_CSTOREWINDOW_H
#define MOONLITCAIRN_CSTOREWINDOW_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "CCoWndManager.h"
#include "CStoreAmountWindow.h"
#include "CStoreDescWindow.h"
#include "CStoreGillWindow.h"
#include "CStoreItemWindow.h"
#include "CStoreListWindow.h"
#include "CStoreMenuWindow.h"
#include "CStoreMessageWindow.h"
#include "CStorePartyWindow.h"
#include "CTagWindow.h"
#include "GameData.h"
#include "StoreRules.h"

class CCursor;
class CManipulator;
class CPlayerParty;

class CStoreWindow : public CCoWndManager {
 public:
  // The menus share the cursor.
  explicit CStoreWindow(CCursor* sharedCursor);
  ~CStoreWindow() override;
  CStoreWindow(const CStoreWindow&) = delete;
  CStoreWindow& operator=(const CStoreWindow&) = delete;

  int Load() override;
  // Every window while the shop is visible.
  void Draw() override;
  // Frees the goods.
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  // Places the windows, gives them the skin, fills the menu and registers the
  // windows in their drawing order; the menu gets the focus. 0 when the skin
  // or the sell list's arrows could not be had (the windows then draw
  // without them).
  int Init(CPlayerParty* shopParty);
  // The rate and a fresh item record for every id, in order (an id without a
  // table row gives an item 0 without a name or price).
  void SetGoods(int goodsRate, const std::vector<int>& itemIds);
  void ClearGoods();
  // At the menu on "かう" with the greeting, the title of the type, the lists
  // and the amount hidden.
  void Open();
  // One frame while the shop is visible: the children's keys, or one frame of
  // the pause and, at its end, the items moved.
  void Update(const CManipulator& keyboard);

  int32_t type = STORE_ITEM;
  int32_t pattern = 1;
  int32_t pauseCounter = 0;  // frames left of the clerk's answer
  CTagWindow titleWindow;
  CStoreMessageWindow clerkWindow;
  CStoreMenuWindow menuWindow;
  CStoreGillWindow gillWindow;
  CStoreListWindow listWindow;
  CStoreItemWindow itemWindow;
  CStorePartyWindow partyWindow;
  CStoreAmountWindow amountWindow;
  CStoreDescWindow descWindow;
  // The item being bought or sold, by id: a sale may delete its stack.
  int32_t currentItemId = 0;
  CPlayerParty* party = nullptr;
  std::vector<std::unique_ptr<ItemData>> goods;
  int32_t rate = 100;

 private:
  void Say(int line);
  // Hides the shop, its windows and the cursor; the script waiting for the
  // shop goes on.
  void Close();
  void ShowBuyList();
  void ShowSellList();
  void BeginPause();
  // The end of a pause: the items of a purchase or sale move, and the list
  // of the menu's choice comes back.
  void FinishTransaction();
};

#endif
