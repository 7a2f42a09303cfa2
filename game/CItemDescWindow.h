// The item screen's description line: the text of the item under the list's
// cursor while the list or the job window has the focus, else empty.
#ifndef MOONLITCAIRN_CITEMDESCWINDOW_H
#define MOONLITCAIRN_CITEMDESCWINDOW_H

#include "CMsgWindow.h"

class CItemWindow;

class CItemDescWindow : public CMsgWindow {
 public:
  CItemDescWindow();

  // At (0, 28), 320 x 45; 1 when the skin was copied.
  int Init(CItemWindow* screen);
  // The delayed visibility, then the text for this frame.
  void Update() override;

  CItemWindow* owner = nullptr;
};

#endif
