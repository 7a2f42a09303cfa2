// The shop's buy list: one entry per goods item, with the item's list price.
// Moving the cursor shows the party window who may equip the new item; X
// reports the entry to the shop, Z a cancel.
#ifndef MOONLITCAIRN_CSTORELISTWINDOW_H
#define MOONLITCAIRN_CSTORELISTWINDOW_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "CMenuWindow.h"
#include "GameData.h"

class CCoWndManager;
class CManipulator;
class CStorePartyWindow;

class CStoreListWindow : public CMenuWindow {
 public:
  explicit CStoreListWindow(CCursor* sharedCursor);
  // Frees its copy of the list; the items are the shop's.
  ~CStoreListWindow() override;

  void Draw() override;
  // Nothing while inactive; else UP and DOWN (a new entry becomes the party
  // window's target), then Z or X to the owner.
  void Control(const CManipulator& keyboard) override;

  // A copy of the shop's goods and rate, one entry each.
  void SetGoods(const std::vector<std::unique_ptr<ItemData>>& shopGoods, int shopRate);
  // n empty entries down the window; the cursor stays on its entry while the
  // list still has it, else goes to the last one.
  void ResetItems(int n);
  // The goods item under the cursor, or null in an empty list.
  const ItemData* GetSelectedItem() const;

  CCoWndManager* owner = nullptr;
  CStorePartyWindow* partyWindow = nullptr;
  std::vector<const ItemData*> goods;  // not owned
  int32_t rate = 100;
};

#endif
