// The magic screen's spell list: three columns of six rows. No spells exist
// yet, so the screen keeps it hidden.
#ifndef MOONLITCAIRN_CMAGICLISTWINDOW_H
#define MOONLITCAIRN_CMAGICLISTWINDOW_H

#include "CListWindow.h"

class CCoWndManager;
class CManipulator;
class CPlayerParty;

class CMagicListWindow : public CListWindow {
 public:
  explicit CMagicListWindow(CCursor* sharedCursor);

  // 1 when the skin and the list arrows were available.
  int Init(CPlayerParty* newParty, CCoWndManager* newOwner);
  // LEFT and RIGHT move; Z reports a cancel, X the list position.
  void Control(const CManipulator& keyboard) override;
  // Nothing while hidden.
  void Draw() override;

  CCoWndManager* owner = nullptr;
  CPlayerParty* party = nullptr;
};

#endif
