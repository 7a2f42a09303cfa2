#include "CMagicMainTypeMenuWindow.h"

CMagicMainTypeMenuWindow::CMagicMainTypeMenuWindow(CCursor* sharedCursor)
    : CItemMenuWindow(sharedCursor) {}

int CMagicMainTypeMenuWindow::Init(CCoWndManager* newOwner) {
  owner = newOwner;
  x = 0;
  y = 0;
  width = 70;
  height = 68;
  const int skinned = CopyWindowSkin();
  ClearItems();
  AddItem(0, 1, 6, 8, "しろまほう", 0, 0);
  AddItem(1, 1, 6, 28, "くろまほう", 0, 0);
  AddItem(2, 1, 6, 48, "じくう", 0, 0);
  return skinned;
}
