// The magic screen's lower menu of magic types: summons, spell blades and
// songs. X and Z go to the owner.
#ifndef MOONLITCAIRN_CMAGICSUBTYPEMENUWINDOW_H
#define MOONLITCAIRN_CMAGICSUBTYPEMENUWINDOW_H

#include "CItemMenuWindow.h"

class CCoWndManager;

class CMagicSubTypeMenuWindow : public CItemMenuWindow {
 public:
  explicit CMagicSubTypeMenuWindow(CCursor* sharedCursor);

  // Its own place and entries; the keys are the shared screen-menu control.
  // 1 when the window skin was available.
  int Init(CCoWndManager* newOwner);
};

#endif
