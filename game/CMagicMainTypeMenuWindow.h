// The magic screen's upper menu of magic types: white, black and time magic.
// X and Z go to the owner.
#ifndef MOONLITCAIRN_CMAGICMAINTYPEMENUWINDOW_H
#define MOONLITCAIRN_CMAGICMAINTYPEMENUWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;
class CManipulator;

class CMagicMainTypeMenuWindow : public CMenuWindow {
 public:
  explicit CMagicMainTypeMenuWindow(CCursor* sharedCursor);

  // 1 when the window skin was available.
  int Init(CCoWndManager* newOwner);
  void Control(const CManipulator& keyboard) override;

  CCoWndManager* owner = nullptr;
};

#endif
