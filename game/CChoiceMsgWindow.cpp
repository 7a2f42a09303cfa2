#include "CChoiceMsgWindow.h"

#include <string.h>

#include "GameColors.h"
#include "Ombrel.h"

CChoiceMsgWindow::CChoiceMsgWindow() = default;

CChoiceMsgWindow::CChoiceMsgWindow(CCursor* sharedCursor) : CYesNoMsgWindow(sharedCursor) {}

void CChoiceMsgWindow::SetChoiceMessage(const char* text, const char* choice1, const char* choice2,
                                        const char* choice3) {
  if (text == nullptr) return;
  nextLine = SplitQuestion(this, text);
  memcpy(lines[0], splitLines[0], kMessageLineBytes);
  ClearItems();
  if (choice3 != nullptr && choice3[0] != '\0') {
    AddItem(0, 1, 10, 25, choice1, 0, 0);
    AddItem(1, 1, 10, 40, choice2, 0, 0);
    AddItem(2, 1, 10, 55, choice3, 0, 0);
  } else {
    AddItem(1, 1, 10, 40, choice1, 0, 0);
    AddItem(2, 1, 10, 55, choice2, 0, 0);
  }
}

void CChoiceMsgWindow::Draw() {
  if (!visible) return;
  CMenuWindow::Draw();
  DrawStringDefaultFont(x + 10, y + 8, lines[0], COLOR_WHITE, 0);
}
