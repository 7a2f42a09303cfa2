#include "CEquipMenuWindow.h"

CEquipMenuWindow::CEquipMenuWindow() = default;

CEquipMenuWindow::CEquipMenuWindow(CCursor* sharedCursor) : CItemMenuWindow(sharedCursor) {}

int CEquipMenuWindow::Init(CCoWndManager* screen) {
  owner = screen;
  x = 0;
  y = 0;
  width = 320;
  height = 18;
  horizontal = 1;
  wrap = 0;
  ClearItems();
  AddItem(0, 1, 17, 4, "そうび", 0, 0);
  AddItem(1, 1, 69, 4, "さいきょう", 0, 0);
  AddItem(2, 1, 148, 4, "はずす", 0, 0);
  AddItem(3, 1, 201, 4, "すべてはずす", 0, 0);
  AddItem(4, 1, 280, 4, "おわる", 0, 0);
  return CopyWindowSkin();
}
