// The shop's money window: the party's money as the purchases and sales
// change it.
#ifndef MOONLITCAIRN_CSTOREGILLWINDOW_H
#define MOONLITCAIRN_CSTOREGILLWINDOW_H

#include "CFrameWindow.h"

class CPlayerParty;

class CStoreGillWindow : public CFrameWindow {
 public:
  CStoreGillWindow();

  // The frame only while visible; the money whenever the shop is drawn.
  void Draw() override;

  const CPlayerParty* party = nullptr;
};

#endif
