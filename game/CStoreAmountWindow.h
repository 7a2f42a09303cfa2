// The shop's amount chooser: the item, the amount and its total, and how many
// of the item the party holds and wears. RIGHT and LEFT change the amount by
// one, UP and DOWN by ten, within what the party may buy or sell.
#ifndef MOONLITCAIRN_CSTOREAMOUNTWINDOW_H
#define MOONLITCAIRN_CSTOREAMOUNTWINDOW_H

#include <stdint.h>

#include "CMenuWindow.h"
#include "GameData.h"

class CCoWndManager;
class CManipulator;
class CPlayerParty;

class CStoreAmountWindow : public CMenuWindow {
 public:
  explicit CStoreAmountWindow(CCursor* sharedCursor);

  void Draw() override;
  // Nothing while inactive or hidden; else one change of the amount per frame, held
  // within its limits, then Z or X to the owner.
  void Control(const CManipulator& keyboard) override;

  // A copy of the item as the one entry, amount 1, and the party's counts of
  // it.
  void SetItem(int itemMode, int itemRate, const ItemData& itemData);
  // What the amount costs when buying, or what the window shows for it when
  // selling.
  int GetShownTotal() const;

  int32_t mode = 0;  // StoreAmountMode
  CCoWndManager* owner = nullptr;
  const CPlayerParty* party = nullptr;
  ItemData item = {};
  int32_t rate = 100;
  int32_t amount = 1;
  int32_t owned = 0;     // the count of the item's stack, 0 when none
  int32_t equipped = 0;  // how many equipment slots of the party hold it
};

#endif
