// The magic screen's upper menu of magic types: white, black and time magic.
// X and Z go to the owner, as on the other screens' menus.
#ifndef MOONLITCAIRN_CMAGICMAINTYPEMENUWINDOW_H
#define MOONLITCAIRN_CMAGICMAINTYPEMENUWINDOW_H

#include "CItemMenuWindow.h"

class CCoWndManager;

class CMagicMainTypeMenuWindow : public CItemMenuWindow {
 public:
  explicit CMagicMainTypeMenuWindow(CCursor* sharedCursor);

  // Its own place and entries; the keys are the shared screen-menu control.
  // 1 when the window skin was available.
  int Init(CCoWndManager* newOwner);
};

#endif
