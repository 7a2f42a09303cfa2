#include "CJobAbilityWindow.h"

#include "WindowDrawing.h"

namespace {

constexpr int kDimAlpha = 128;

}  // namespace

CJobAbilityWindow::CJobAbilityWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CJobAbilityWindow::Init() {
  x = 250;
  y = 0;
  width = 70;
  height = 50;
  const int skinned = CopyWindowSkin();
  ClearItems();
  AddItem(0, 0, 8, 10, "ジョブ", 0, 0);
  AddItem(1, 0, 8, 28, "アビリティ", 0, 0);
  return skinned;
}

void CJobAbilityWindow::Draw() {
  if (!visible) return;
  CMenuWindow::Draw();
  if (!lit) DrawDimBox(*this, kDimAlpha);
}
