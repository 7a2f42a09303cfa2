#include "CYesNoMsgWindow.h"

#include <string.h>

#include "CManipulator.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kTextLeft = 10;
constexpr int kTextTop = 8;
constexpr int kLineHeight = 15;

}  // namespace

int SplitQuestion(CYesNoMsgWindow* window, const char* text) {
  return SplitTextIntoLines(text, window->width, window->splitLines, 0);
}

CYesNoMsgWindow::CYesNoMsgWindow() = default;

CYesNoMsgWindow::CYesNoMsgWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CYesNoMsgWindow::Init() {
  x = 20;
  y = 5;
  width = 280;
  height = 72;
  const int skinned = CopyWindowSkin();
  AddItem(0, 1, 10, 40, "はい", 0, 0);
  AddItem(1, 1, 10, 55, "いいえ", 0, 0);
  return skinned;
}

void CYesNoMsgWindow::SetMessage(const char* text) {
  if (text == nullptr) return;
  nextLine = SplitQuestion(this, text);
  memcpy(lines[0], splitLines[0], kMessageLineBytes);
  memcpy(lines[1], splitLines[1], kMessageLineBytes);
}

void CYesNoMsgWindow::SetVisible(int v) {
  CFrameWindow::SetVisible(v);
  if (v) {
    SetActive(1);
    SetCursorIndex(0);
  }
}

void CYesNoMsgWindow::Control(const CManipulator& keyboard) {
  if (!active) return;
  CMenuWindow::Control(keyboard);
  if (keyboard.IsTriggered(KEY_Z)) {
    answer = kAnswerCancel;
  } else if (keyboard.IsTriggered(KEY_X)) {
    answer = index + 1;
  } else {
    return;
  }
  SetActive(0);
  SetVisible(0);
}

void CYesNoMsgWindow::Draw() {
  if (!visible) return;
  CMenuWindow::Draw();
  for (int i = 0; i < 2; ++i) {
    DrawStringDefaultFont(x + kTextLeft, y + kTextTop + kLineHeight * i, lines[i], COLOR_WHITE, 0);
  }
}
