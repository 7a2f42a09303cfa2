// A frame window with one short title text, which its owner writes directly.
// The text is never wrapped or trimmed.
#ifndef MOONLITCAIRN_CTAGWINDOW_H
#define MOONLITCAIRN_CTAGWINDOW_H

#include <stdint.h>

#include "CFrameWindow.h"

constexpr int kTagTextBytes = 64;

class CTagWindow : public CFrameWindow {
 public:
  CTagWindow();

  void Draw() override;

  char text[kTagTextBytes] = {};  // at most 63 characters and the terminator
  int32_t textX = 12;             // the text's place inside the window
  int32_t textY = 8;
};

#endif
