#include "CStoreMenuWindow.h"

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"

CStoreMenuWindow::CStoreMenuWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {
  horizontal = 1;
}

void CStoreMenuWindow::Fill() {
  ClearItems();
  AddItem(STORE_MENU_BUY, 1, 20, 8, "かう", 0, 0);
  AddItem(STORE_MENU_SELL, 1, 70, 8, "うる", 0, 0);
  AddItem(STORE_MENU_LEAVE, 1, 120, 8, "でる", 0, 0);
}

void CStoreMenuWindow::Draw() {
  CMenuWindow::Draw();
  // An active menu points at its entry even while the window is hidden.
  if (active && !visible) cursor->Draw();
}

void CStoreMenuWindow::Control(const CManipulator& keyboard) {
  if (!active) {
    CFrameWindow::Update();
    return;
  }
  CMenuWindow::Control(keyboard);
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, index);
  }
}
