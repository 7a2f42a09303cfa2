// The status screen: every value of one member on one page. X shows the next
// party slot (empty ones too), Z closes the screen and shows its owner again.
// No window here takes the focus, so no cursor shows.
#ifndef MOONLITCAIRN_CSTATUSWINDOW_H
#define MOONLITCAIRN_CSTATUSWINDOW_H

#include <stdint.h>

#include "CCoWndManager.h"
#include "CStatusCommandWindow.h"
#include "CStatusParamWindow.h"
#include "CTagWindow.h"

class CManipulator;
class CPlayerParty;
class CSubScreenOwner;

class CStatusWindow : public CCoWndManager {
 public:
  CStatusWindow();

  // Places the three windows. Returns 1.
  int Init(CPlayerParty* newParty, CSubScreenOwner* newOwner);
  int Load() override;
  using CDrawable::Update;
  // While the screen is visible: the windows' delayed visibility, then Z
  // closes, else X steps to the next slot.
  void Update(const CManipulator& keyboard);
  // The windows while the screen is visible.
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  // Shows the screen for the member slot.
  void Open(int member);
  // Hides the screen and every window.
  void Hide();

  CPlayerParty* party = nullptr;
  CSubScreenOwner* owner = nullptr;
  CTagWindow tag;
  CStatusCommandWindow command;
  CStatusParamWindow values;
  int32_t memberIndex = 0;
};

#endif
