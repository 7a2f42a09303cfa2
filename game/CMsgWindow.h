// The message window of the event scripts (up to four lines, acknowledged
// with X or Z) and the base of the screens' description windows.
#ifndef MOONLITCAIRN_CMSGWINDOW_H
#define MOONLITCAIRN_CMSGWINDOW_H

#include <stdint.h>

#include "CFrameWindow.h"
#include "MessageText.h"

class CManipulator;

class CMsgWindow : public CFrameWindow {
 public:
  CMsgWindow();

  void Draw() override;
  // The delayed visibility; X or Z on a visible window sets the key flag.
  virtual void Control(const CManipulator& keyboard);

  // Cuts the text into the split lines from firstLine on; returns the index
  // of the last line written + 1.
  int SplitMessage(const char* text, int firstLine);
  // A new text from the first line; null changes nothing.
  void SetMessage(const char* text);
  // The text appended from the next line; null changes nothing.
  void AddMessage(const char* text);

  int32_t keyFlag = 0;  // set by X or Z, cleared by a new text
  int32_t nextLine = 0;
  MessageLines lines = {};
  MessageLines splitLines = {};  // what the splitting writes, copied into lines
};

#endif
