// The shop's sell list: a page of the party's 256 inventory slots, 20 entries
// in two columns, scrolled by rows of two. X reports the slot under the
// cursor to the shop, Z a cancel.
#ifndef MOONLITCAIRN_CSTOREITEMWINDOW_H
#define MOONLITCAIRN_CSTOREITEMWINDOW_H

#include <stdint.h>

#include "CListWindow.h"
#include "GameData.h"

class CCoWndManager;
class CManipulator;
class CPlayerParty;

constexpr int kStoreItemColumns = 2;
constexpr int kStoreItemEntries = 20;

class CStoreItemWindow : public CListWindow {
 public:
  explicit CStoreItemWindow(CCursor* sharedCursor);

  // The window, its skin and arrows and its 20 entries; 0 as CListWindow::Init.
  int Init();
  // The frame, the arrows, the name and count of every stack, the cursor;
  // nothing while hidden.
  void Draw() override;
  // Showing returns to the first page.
  void SetVisible(int visible) override;
  // Nothing while inactive; else the rows, the page and the entries move,
  // then Z or X (with the slot) to the owner.
  void Control(const CManipulator& keyboard) override;

  // The entries from the slots of the page; the cursor's marks are cleared.
  void Refresh();
  // The item of the slot under the cursor, or null for an empty slot.
  const ItemData* GetSelectedItem() const;

  CCoWndManager* owner = nullptr;
  const CPlayerParty* party = nullptr;
  int32_t scroll = 0;  // the first slot of the page, always even
};

#endif
