// The magic screen's lower menu of magic types: summons, spell blades and
// songs. X and Z go to the owner.
#ifndef MOONLITCAIRN_CMAGICSUBTYPEMENUWINDOW_H
#define MOONLITCAIRN_CMAGICSUBTYPEMENUWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;
class CManipulator;

class CMagicSubTypeMenuWindow : public CMenuWindow {
 public:
  explicit CMagicSubTypeMenuWindow(CCursor* sharedCursor);

  // 1 when the window skin was available.
  int Init(CCoWndManager* newOwner);
  void Control(const CManipulator& keyboard) override;

  CCoWndManager* owner = nullptr;
};

#endif
