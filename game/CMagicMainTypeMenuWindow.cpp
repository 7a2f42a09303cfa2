#include "CMagicMainTypeMenuWindow.h"

#include "CCoWndManager.h"
#include "CManipulator.h"

CMagicMainTypeMenuWindow::CMagicMainTypeMenuWindow(CCursor* sharedCursor)
    : CMenuWindow(sharedCursor) {}

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

void CMagicMainTypeMenuWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}
