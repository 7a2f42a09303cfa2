// The equipment screen's menu along the top: "そうび", "さいきょう", "はずす",
// "すべてはずす" and "おわる". It takes the keys like the item screen's menu.
#ifndef MOONLITCAIRN_CEQUIPMENUWINDOW_H
#define MOONLITCAIRN_CEQUIPMENUWINDOW_H

#include "CItemMenuWindow.h"

class CEquipMenuWindow : public CItemMenuWindow {
 public:
  CEquipMenuWindow();
  explicit CEquipMenuWindow(CCursor* sharedCursor);

  // At (0, 0), 320 x 18, with its five entries; 1 when the skin was copied.
  int Init(CCoWndManager* screen);
};

#endif
