#include "CStatusCommandWindow.h"

#include "GameColors.h"
#include "Ombrel.h"

CStatusCommandWindow::CStatusCommandWindow() = default;

int CStatusCommandWindow::Init() {
  x = 210;
  y = 30;
  width = 70;
  height = 80;
  return CopyWindowSkin();
}

void CStatusCommandWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  DrawStringDefaultFont(x + 10, y + 10, "!たたかう", COLOR_WHITE, 0);
}
