// The menu along the top of a camp screen: the arrow keys move along it, Z
// reports OnCancel and X OnSelect to the screen that owns it. The item
// screen's own entries are "つかう", "せいとん" and "だいじなもの".
#ifndef MOONLITCAIRN_CITEMMENUWINDOW_H
#define MOONLITCAIRN_CITEMMENUWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;

class CItemMenuWindow : public CMenuWindow {
 public:
  CItemMenuWindow();
  explicit CItemMenuWindow(CCursor* sharedCursor);

  // The item screen's menu at (70, 0), 250 x 28, with its three entries; 1
  // when the skin was copied.
  int Init(CCoWndManager* screen);
  void Control(const CManipulator& keyboard) override;

  CCoWndManager* owner = nullptr;
};

#endif
