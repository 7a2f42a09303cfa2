// The status screen's command box beside the values.
#ifndef MOONLITCAIRN_CSTATUSCOMMANDWINDOW_H
#define MOONLITCAIRN_CSTATUSCOMMANDWINDOW_H

#include "CFrameWindow.h"

class CStatusCommandWindow : public CFrameWindow {
 public:
  CStatusCommandWindow();

  // 1 when the window skin was available.
  int Init();
  void Draw() override;
};

#endif
