#include "CStoreGillWindow.h"

#include <stdio.h>

#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

CStoreGillWindow::CStoreGillWindow() = default;

void CStoreGillWindow::Draw() {
  CFrameWindow::Draw();
  char money[16];
  snprintf(money, sizeof money, "%9d", party->money);
  DrawStringDefaultFont(x + 8, y + 8, "てもち", COLOR_WHITE, 0);
  DrawStringDefaultFont(x + 70, y + 8, money, COLOR_WHITE, 0);
  DrawStringDefaultFont(x + 120, y + 8, "ギル", COLOR_WHITE, 0);
}
