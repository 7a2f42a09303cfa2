// The shop's clerk: one line of text above the menu.
#ifndef MOONLITCAIRN_CSTOREMESSAGEWINDOW_H
#define MOONLITCAIRN_CSTOREMESSAGEWINDOW_H

#include "CFrameWindow.h"

constexpr int kStoreMessageBytes = 64;

class CStoreMessageWindow : public CFrameWindow {
 public:
  CStoreMessageWindow();

  // The frame only while visible; the line whenever the shop is drawn.
  void Draw() override;
  // Keeps the first 63 bytes of the text.
  void SetText(const char* line);

  char text[kStoreMessageBytes] = {};
};

#endif
