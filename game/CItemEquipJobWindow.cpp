#include "CItemEquipJobWindow.h"

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "CPlayerChar.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kJobCount = 4;
constexpr int kDimAlpha = 96;

}  // namespace

CItemEquipJobWindow::CItemEquipJobWindow() = default;

CItemEquipJobWindow::CItemEquipJobWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CItemEquipJobWindow::Init(CCoWndManager* screen) {
  owner = screen;
  x = 0;
  y = 73;
  width = 320;
  height = 167;
  return CopyWindowSkin();
}

void CItemEquipJobWindow::SetVisible(int v) {
  CFrameWindow::SetVisible(v);
  if (v) cursor->visible = 0;
}

void CItemEquipJobWindow::SetActive(int a) {
  CMenuWindow::SetActive(a);
  if (a) cursor->visible = 0;
}

void CItemEquipJobWindow::Control(const CManipulator& keyboard) {
  CFrameWindow::Update();
  if (!visible || !active) return;
  if (keyboard.IsTriggered(KEY_X) || keyboard.IsTriggered(KEY_Z)) owner->OnSelect(this, 0);
}

void CItemEquipJobWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  if (item.id == 0) return;
  // The screen above the window is dimmed, so the window reads as a dialog.
  SetBlendModeAndParam(1, kDimAlpha);
  PaintBox(0, 0, 321, y + 1, ComposeColorCode(0, 0, 0), 1);
  SetBlendModeAndParam(0, 255);
  DrawStringDefaultFont(x + 24, y + 10, item.name, COLOR_WHITE, 0);
  DrawStringDefaultFont(x + 120, y + 10, "を　そうびできるジョブ", COLOR_WHITE, 0);
  // A group without a row in the job table fits no job, so every name is grey.
  for (int job = 0; job < kJobCount; ++job) {
    DrawStringDefaultFont(x + 24 + 100 * (job % 3), y + 30 + 20 * (job / 3), JobName(job),
                          CanJobEquip(item.equipGroup, job) ? COLOR_WHITE : COLOR_GRAY, 0);
  }
}
