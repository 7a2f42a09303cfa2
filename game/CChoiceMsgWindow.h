// The choice window of the event scripts: a one-line question with two or
// three entries given by the script. It answers, shows and closes as the
// yes/no window does.
#ifndef MOONLITCAIRN_CCHOICEMSGWINDOW_H
#define MOONLITCAIRN_CCHOICEMSGWINDOW_H

#include "CYesNoMsgWindow.h"

class CChoiceMsgWindow : public CYesNoMsgWindow {
 public:
  CChoiceMsgWindow();
  explicit CChoiceMsgWindow(CCursor* sharedCursor);

  // Only the question's first line is shown.
  void Draw() override;
  // Three entries when choice3 is a non-empty text, else two, placed so that
  // the last entry is always on the window's last row.
  void SetChoiceMessage(const char* text, const char* choice1, const char* choice2,
                        const char* choice3);
};

#endif
