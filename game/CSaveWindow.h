// The save screen: only its title tag. No camp entry opens it yet, and its
// menus' reports are ignored.
#ifndef MOONLITCAIRN_CSAVEWINDOW_H
#define MOONLITCAIRN_CSAVEWINDOW_H

#include "CCoWndManager.h"
#include "CTagWindow.h"

class CManipulator;
class CPlayerParty;
class CSubScreenOwner;

class CSaveWindow : public CCoWndManager {
 public:
  CSaveWindow();

  // Places the tag across the top of the screen. Returns 1.
  int Init(CPlayerParty* newParty, CSubScreenOwner* newOwner);
  int Load() override;
  // The tag while the screen is visible.
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  CPlayerParty* party = nullptr;
  CSubScreenOwner* owner = nullptr;
  CTagWindow tag;
};

#endif
