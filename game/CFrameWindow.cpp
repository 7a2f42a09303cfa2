#include "CFrameWindow.h"

#include "CDataManager.h"
#include "Ombrel.h"

CFrameWindow::CFrameWindow() = default;

void CFrameWindow::Update() {
  if (delay > 0) {
    --delay;
    return;
  }
  visible = pending;
}

void CFrameWindow::Release() {}

int CFrameWindow::IsMenu() { return 0; }

void CFrameWindow::SetVisible(int v) {
  pending = v;
  visible = v;
  delay = 0;
}

int CFrameWindow::IsShown() const { return visible != 0 || pending != 0; }

void CFrameWindow::Draw() {
  if (!visible) return;
  if (stretch) {
    PutGraphStretchedWithShake(x, y, x + width, y + height, background);
  } else {
    PutGraphPartWithShake(x, y, x, y, width, height, background, 0);
  }
  DrawFrame();
}

void CFrameWindow::DrawFrame() {
  if (!visible) return;
  const int right = x + width - kWindowChipSize;
  const int bottom = y + height - kWindowChipSize;
  // Edges stop at the last whole chip; the corners, drawn last, cover the rest.
  for (int i = 0; i < width / kWindowChipSize; ++i) {
    PutGraphWithShake(x + kWindowChipSize * i, y, chips[CHIP_TOP], 1);
    PutGraphWithShake(x + kWindowChipSize * i, bottom, chips[CHIP_BOTTOM], 1);
  }
  for (int i = 0; i < height / kWindowChipSize; ++i) {
    PutGraphWithShake(x, y + kWindowChipSize * i, chips[CHIP_LEFT], 1);
    PutGraphWithShake(right, y + kWindowChipSize * i, chips[CHIP_RIGHT], 1);
  }
  PutGraphWithShake(x, y, chips[CHIP_TOP_LEFT], 1);
  PutGraphWithShake(right, y, chips[CHIP_TOP_RIGHT], 1);
  PutGraphWithShake(x, bottom, chips[CHIP_BOTTOM_LEFT], 1);
  PutGraphWithShake(right, bottom, chips[CHIP_BOTTOM_RIGHT], 1);
}

int CFrameWindow::CopyWindowSkin() {
  CDataManager& data = CDataManager::GetInstance();
  if (!data.LoadWindowSkin()) return 0;
  for (int i = 0; i < kWindowSkinChips; ++i) chips[i] = data.windowSkinChips[i];
  background = data.windowBackground;
  return 1;
}
