#include "CMagicSubTypeMenuWindow.h"

CMagicSubTypeMenuWindow::CMagicSubTypeMenuWindow(CCursor* sharedCursor)
    : CItemMenuWindow(sharedCursor) {}

int CMagicSubTypeMenuWindow::Init(CCoWndManager* newOwner) {
  owner = newOwner;
  x = 0;
  y = 68;
  width = 70;
  height = 68;
  const int skinned = CopyWindowSkin();
  ClearItems();
  AddItem(0, 1, 6, 8, "しょうかん", 0, 0);
  AddItem(1, 1, 6, 28, "まほうけん", 0, 0);
  AddItem(2, 1, 6, 48, "うた", 0, 0);
  return skinned;
}
