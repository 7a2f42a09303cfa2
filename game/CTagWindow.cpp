#include "CTagWindow.h"

#include "GameColors.h"
#include "Ombrel.h"

CTagWindow::CTagWindow() = default;

void CTagWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  DrawStringDefaultFont(x + textX, y + textY, text, COLOR_WHITE, 0);
}
