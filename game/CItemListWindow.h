// The item screen's list of the party's 256 inventory slots, two to a row and
// ten rows at a time. One X marks a slot; X again on the same slot uses or
// inspects its item (reported to the owner), on another slot exchanges the
// two slots.
#ifndef MOONLITCAIRN_CITEMLISTWINDOW_H
#define MOONLITCAIRN_CITEMLISTWINDOW_H

#include <stdint.h>

#include "CListWindow.h"

class CCoWndManager;
class CPlayerParty;

constexpr int kItemListEntries = 20;

class CItemListWindow : public CListWindow {
 public:
  CItemListWindow();
  explicit CItemListWindow(CCursor* sharedCursor);

  // The list at (0, 73), 320 x 167, with its 20 entries; 1 when the skin and
  // the arrows loaded.
  int Init(CPlayerParty* itemParty, CCoWndManager* screen);
  void Control(const CManipulator& keyboard) override;
  void Draw() override;
  // Showing the list brings it back to its top.
  void SetVisible(int v) override;

  // Rewrites the entries from the inventory at the scroll row (or empties
  // them while the key items are shown) and puts the mark back on its slot.
  void Refresh();
  // The second decision: the same slot as the marked one is reported to the
  // owner, another slot exchanges places with the marked one.
  void SwapItems();
  // The inventory position under the cursor.
  int CursorPosition() const { return firstRow + index; }

  // firstRow is the scroll row: the inventory position of entry 0, always
  // even.
  int32_t keyItemFlag = 0;
  int32_t markedFlag = 0;
  int32_t markedPosition = 0;
  CCoWndManager* owner = nullptr;
  CPlayerParty* party = nullptr;
};

#endif
