#include "CMsgWindow.h"

#include <string.h>

#include "CManipulator.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kTextLeft = 10;
constexpr int kTextTop = 8;
constexpr int kLineHeight = 15;

}  // namespace

CMsgWindow::CMsgWindow() = default;

void CMsgWindow::Control(const CManipulator& keyboard) {
  CFrameWindow::Update();
  if (visible && (keyboard.IsTriggered(KEY_X) || keyboard.IsTriggered(KEY_Z))) keyFlag = 1;
}

void CMsgWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  for (int i = 0; i < kMessageLines; ++i) {
    DrawStringDefaultFont(x + kTextLeft, y + kTextTop + kLineHeight * i, lines[i], COLOR_WHITE, 0);
  }
}

int CMsgWindow::SplitMessage(const char* text, int firstLine) {
  return SplitTextIntoLines(text, width, splitLines, firstLine);
}

void CMsgWindow::SetMessage(const char* text) {
  if (text == nullptr) return;
  keyFlag = 0;
  nextLine = SplitMessage(text, 0);
  memcpy(lines, splitLines, sizeof lines);
}

void CMsgWindow::AddMessage(const char* text) {
  if (text == nullptr) return;
  keyFlag = 0;
  nextLine = SplitMessage(text, nextLine);
  memcpy(lines, splitLines, sizeof lines);
}
