// The battle's sub-command menu beside the command menu: defend, pass and
// change. LEFT closes it; X and Z go to the owner (the battle).
#ifndef MOONLITCAIRN_CBATTLECMDSUBWINDOW_H
#define MOONLITCAIRN_CBATTLECMDSUBWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;
class CManipulator;

class CBattleCmdSubWindow : public CMenuWindow {
 public:
  // Takes the game's shared cursor.
  CBattleCmdSubWindow();
  // For a battle built as a member of the game object.
  explicit CBattleCmdSubWindow(CCursor* sharedCursor);

  // Records the owner, places the window beside the command menu and fills
  // its three entries; 1 when the window skin was available, else 0.
  int Init(CCoWndManager* newOwner);
  // While active and visible: UP and DOWN move the cursor; LEFT hides this
  // window and gives the focus back to the command menu of the owner's
  // window list; else Z reports a cancel and X the entry to the owner.
  void Control(const CManipulator& keyboard) override;

  CCoWndManager* owner = nullptr;
};

#endif
