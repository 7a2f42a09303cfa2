#include "CStoreMessageWindow.h"

#include <string.h>

#include "GameColors.h"
#include "Ombrel.h"

CStoreMessageWindow::CStoreMessageWindow() = default;

void CStoreMessageWindow::Draw() {
  CFrameWindow::Draw();
  DrawStringDefaultFont(x + 4, y + 8, text, COLOR_WHITE, 0);
}

void CStoreMessageWindow::SetText(const char* line) {
  strncpy(text, line != nullptr ? line : "", sizeof text - 1);
  text[sizeof text - 1] = '\0';
}
