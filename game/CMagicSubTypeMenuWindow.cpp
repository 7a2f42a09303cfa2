#include "CMagicSubTypeMenuWindow.h"

#include "CCoWndManager.h"
#include "CManipulator.h"

CMagicSubTypeMenuWindow::CMagicSubTypeMenuWindow(CCursor* sharedCursor)
    : CMenuWindow(sharedCursor) {}

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

void CMagicSubTypeMenuWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}
