#include "CFormationWindow.h"

#include "GameColors.h"
#include "Ombrel.h"

CFormationWindow::CFormationWindow() = default;

int CFormationWindow::Init() {
  x = 250;
  y = 0;
  width = 70;
  height = 28;
  return CopyWindowSkin();
}

void CFormationWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  DrawStringDefaultFont(x + 12, y + 8, "たいけい", COLOR_WHITE, 0);
}
