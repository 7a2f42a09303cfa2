// The magic screen's description frame beside its title; it shows no text yet.
#ifndef MOONLITCAIRN_CMAGICDESCWINDOW_H
#define MOONLITCAIRN_CMAGICDESCWINDOW_H

#include "CFrameWindow.h"

class CCoWndManager;

class CMagicDescWindow : public CFrameWindow {
 public:
  CMagicDescWindow();

  // 1 when the window skin was available.
  int Init(CCoWndManager* newOwner);

  CCoWndManager* owner = nullptr;
};

#endif
