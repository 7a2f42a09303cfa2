#include "CItemDescWindow.h"

#include "CItemWindow.h"
#include "CPlayerParty.h"

CItemDescWindow::CItemDescWindow() = default;

int CItemDescWindow::Init(CItemWindow* screen) {
  owner = screen;
  x = 0;
  y = 28;
  width = 320;
  height = 45;
  return CopyWindowSkin();
}

void CItemDescWindow::Update() {
  CFrameWindow::Update();
  const CItemListWindow& list = owner->list;
  if (list.keyItemFlag) {
    SetMessage("");
    return;
  }
  if (list.active || owner->jobWindow.active) {
    const ItemStack* stack = owner->party->GetItem(list.CursorPosition());
    if (stack != nullptr) {
      SetMessage(stack->item.description);
      return;
    }
  }
  SetMessage("");
}
