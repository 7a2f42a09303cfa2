// The camp's money window.
#ifndef MOONLITCAIRN_CGILLWINDOW_H
#define MOONLITCAIRN_CGILLWINDOW_H

#include <stdint.h>

#include <vector>

#include "CFrameWindow.h"
#include "WindowDrawing.h"

class CPlayerParty;

class CGillWindow : public CFrameWindow {
 public:
  CGillWindow();

  // 1 when the window skin was available.
  int Init(const CPlayerParty* newParty);
  // The frame while visible; the texts always (the camp draws it only while
  // it is open).
  void Draw() override;
  // The money right-aligned in nine places and "ギル".
  std::vector<WindowText> Texts() const;

  const CPlayerParty* party = nullptr;
  int32_t lit = 1;  // 0: dimmed while the party is arranged
};

#endif
