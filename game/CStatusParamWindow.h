// The status screen's page: every value of the member in the owner's member
// slot. The battle values include the equipment; the attributes and the
// maxima are the member's level values.
#ifndef MOONLITCAIRN_CSTATUSPARAMWINDOW_H
#define MOONLITCAIRN_CSTATUSPARAMWINDOW_H

#include <vector>

#include "CFrameWindow.h"
#include "WindowDrawing.h"

class CPlayerParty;
class CStatusWindow;

class CStatusParamWindow : public CFrameWindow {
 public:
  CStatusParamWindow();

  // 1 when the window skin was available.
  int Init(CStatusWindow* newOwner, CPlayerParty* newParty);
  void Draw() override;
  // The member's texts; none when the slot is empty.
  std::vector<WindowText> Texts() const;

  CStatusWindow* owner = nullptr;
  CPlayerParty* party = nullptr;
};

#endif
