// The question windows of the event scripts: the yes/no window (a question of
// up to two lines with "はい" and "いいえ") and, built on it, the choice
// window. Both show themselves active with the cursor on the first entry and
// close at once when the player decides.
#ifndef MOONLITCAIRN_CYESNOMSGWINDOW_H
#define MOONLITCAIRN_CYESNOMSGWINDOW_H

#include <stdint.h>

#include "CMenuWindow.h"
#include "MessageText.h"

// What the player answered: the position of the entry, counted from 1;
// cancelling with Z answers as the second entry.
constexpr int kAnswerCancel = 2;

class CYesNoMsgWindow : public CMenuWindow {
 public:
  CYesNoMsgWindow();
  explicit CYesNoMsgWindow(CCursor* sharedCursor);

  void Draw() override;
  // Showing also activates the menu and puts the cursor on the first entry.
  void SetVisible(int visible) override;
  // Nothing while inactive; else the cursor moves, and X or Z stores the
  // answer and closes the window.
  void Control(const CManipulator& keyboard) override;

  // Placed at (20, 5), 280 x 72, with the two entries. 1 when the skin was
  // copied.
  int Init();
  // The question's first two lines are shown.
  void SetMessage(const char* text);

  int32_t nextLine = 0;  // the line count of the last question
  int32_t answer = 0;
  MessageLines lines = {};
  MessageLines splitLines = {};
};

// Cuts the question into the window's split lines from the first line.
int SplitQuestion(CYesNoMsgWindow* window, const char* text);

#endif
