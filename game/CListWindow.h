// A scrolling menu window whose frame shows an up arrow while rows lie above
// the page and a down arrow while rows lie below it. Its descendants draw
// their rows and call DrawListFrame from their own draw.
#ifndef MOONLITCAIRN_CLISTWINDOW_H
#define MOONLITCAIRN_CLISTWINDOW_H

#include <stdint.h>

#include "CMenuWindow.h"

class CListWindow : public CMenuWindow {
 public:
  CListWindow();
  explicit CListWindow(CCursor* sharedCursor);
  // Removes the arrows.
  ~CListWindow() override;
  CListWindow(const CListWindow&) = delete;
  CListWindow& operator=(const CListWindow&) = delete;

  // Places the window at the screen's left edge, copies the skin and loads
  // the two arrows. 0 when an arrow cannot be read (the down arrow is not
  // tried after the up arrow failed) or the skin could not be copied.
  int Init(int windowY, int windowWidth, int windowHeight);
  // The frame while visible; the arrows whenever the rows do not fit a page.
  void DrawListFrame();

  int32_t rowsPerPage = 0;
  int32_t firstRow = 0;  // the first row shown
  int32_t totalRows = 0;
  int32_t upArrow = 0;  // owned
  int32_t downArrow = 0;
};

#endif
