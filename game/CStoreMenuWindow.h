// The shop's menu: "かう", "うる" and "でる" side by side. X reports the
// entry under the cursor to the shop, Z reports a cancel.
#ifndef MOONLITCAIRN_CSTOREMENUWINDOW_H
#define MOONLITCAIRN_CSTOREMENUWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;
class CManipulator;

enum StoreMenuEntry : int32_t {
  STORE_MENU_BUY = 0,
  STORE_MENU_SELL = 1,
  STORE_MENU_LEAVE = 2,
};

class CStoreMenuWindow : public CMenuWindow {
 public:
  explicit CStoreMenuWindow(CCursor* sharedCursor);

  // The three entries, across.
  void Fill();
  // The menu, then the cursor while active.
  void Draw() override;
  // Nothing while inactive; else the arrows, then Z or X to the owner.
  void Control(const CManipulator& keyboard) override;

  CCoWndManager* owner = nullptr;
};

#endif
