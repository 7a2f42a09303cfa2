#include "CItemMenuWindow.h"

#include "CCoWndManager.h"
#include "CManipulator.h"

CItemMenuWindow::CItemMenuWindow() = default;

CItemMenuWindow::CItemMenuWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CItemMenuWindow::Init(CCoWndManager* screen) {
  owner = screen;
  x = 70;
  y = 0;
  width = 250;
  height = 28;
  horizontal = 1;
  wrap = 0;
  ClearItems();
  AddItem(0, 1, 25, 8, "つかう", 0, 0);
  AddItem(1, 1, 90, 8, "せいとん", 0, 0);
  AddItem(2, 1, 165, 8, "だいじなもの", 0, 0);
  return CopyWindowSkin();
}

void CItemMenuWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}
