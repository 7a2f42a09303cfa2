// The magic screen's member line: picture, name, level, job, HP, MP and the
// job level of the member the screen is open for.
#ifndef MOONLITCAIRN_CMAGICCHARWINDOW_H
#define MOONLITCAIRN_CMAGICCHARWINDOW_H

#include <vector>

#include "CFrameWindow.h"
#include "WindowDrawing.h"

class CMagicWindow;
class CPlayerParty;

class CMagicCharWindow : public CFrameWindow {
 public:
  CMagicCharWindow();

  // 1 when the window skin was available.
  int Init(CMagicWindow* newOwner, CPlayerParty* newParty);
  void Draw() override;
  // The member's texts; none when the owner's member slot is empty.
  std::vector<WindowText> Texts() const;

  CMagicWindow* owner = nullptr;
  CPlayerParty* party = nullptr;
};

#endif
