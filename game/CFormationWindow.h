// The tag "たいけい" shown over the job menu while the party is arranged.
#ifndef MOONLITCAIRN_CFORMATIONWINDOW_H
#define MOONLITCAIRN_CFORMATIONWINDOW_H

#include "CFrameWindow.h"

class CFormationWindow : public CFrameWindow {
 public:
  CFormationWindow();

  // 1 when the window skin was available.
  int Init();
  void Draw() override;
};

#endif
