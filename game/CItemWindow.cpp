#include "CItemWindow.h"

#include <stdio.h>

#include "CPlayerParty.h"
#include "CSubScreenOwner.h"
#include "CUseItem.h"

CItemWindow::CItemWindow() = default;

CItemWindow::CItemWindow(CCursor* sharedCursor)
    : menu(sharedCursor),
      list(sharedCursor),
      jobWindow(sharedCursor),
      targetWindow(sharedCursor) {}

int CItemWindow::Init(CSubScreenOwner* camp, CPlayerParty* itemParty) {
  owner = camp;
  party = itemParty;
  windows.clear();
  titleTag.x = 0;
  titleTag.y = 0;
  titleTag.width = 70;
  titleTag.height = 28;
  titleTag.CopyWindowSkin();
  snprintf(titleTag.text, sizeof titleTag.text, "%s", "アイテム");
  windows.push_back(&titleTag);
  menu.Init(this);
  windows.push_back(&menu);
  description.Init(this);
  windows.push_back(&description);
  list.Init(party, this);
  windows.push_back(&list);
  jobWindow.Init(this);
  windows.push_back(&jobWindow);
  targetWindow.Init(party, this);
  windows.push_back(&targetWindow);
  return 1;
}

int CItemWindow::Load() { return 0; }

void CItemWindow::Update() {}

void CItemWindow::Draw() {
  if (visible) CCoWndManager::Draw();
}

void CItemWindow::Release() {}

void CItemWindow::Show(int v) {
  visible = v;
  for (CFrameWindow* window : windows) window->SetVisible(v);
}

void CItemWindow::OpenFromCamp() {
  Show(1);
  list.keyItemFlag = 0;
  list.Refresh();
  SetFocus(&list);
  list.SetCursorIndex(0);
  jobWindow.SetVisible(0);
  targetWindow.SetVisible(0);
}

void CItemWindow::OnSelect(CFrameWindow* window, int index) {
  if (window == &menu) {
    switch (index) {
      case 0:
        list.keyItemFlag = 0;
        list.Refresh();
        SetFocus(&list);
        list.SetCursorIndex(0);
        break;
      case 1:
        list.keyItemFlag = 0;
        list.Refresh();
        party->SortItems();
        list.Refresh();
        menu.SetCursorIndex(0);
        break;
      case 2:
        list.SetCursorIndex(0);
        list.keyItemFlag = 1;
        list.Refresh();
        menu.SetCursorIndex(2);
        break;
      default:
        break;
    }
  } else if (window == &list) {
    const ItemStack* stack = party->GetItem(index);
    if (stack == nullptr) return;
    if (stack->item.IsEquipment()) {
      jobWindow.item = stack->item;
      jobWindow.SetVisible(1);
      list.SetVisible(0);
      SetFocus(&jobWindow);
    } else if (CUseItem::GetInstance()->CanUse(stack->item.id)) {
      itemInUse = stack->item;
      targetWindow.SetVisible(1);
      SetFocus(&targetWindow);
    }
  } else if (window == &jobWindow) {
    jobWindow.SetVisible(0);
    list.SetVisible(1);
    SetFocus(&list);
  } else if (window == &targetWindow) {
    if (itemInUse.IsEquipment()) return;
    CUseItem& use = *CUseItem::GetInstance();
    int used = 0;
    switch (itemInUse.id) {
      case 1:
        used = use.RecoverHP(index);
        break;
      case 2:
        used = use.CurePoison(index);
        break;
      case 3:
        used = use.RecoverMP(index);
        break;
      case 5:
        used = use.Revive(index);
        break;
      default:
        break;
    }
    if (used != 1) return;
    if (party->RemoveItem(itemInUse.id, 1) == 0) {
      targetWindow.SetVisible(0);
      SetFocus(&list);
    }
    list.Refresh();
  }
}

void CItemWindow::OnCancel(CFrameWindow* window) {
  if (window == &menu) {
    Show(0);
    owner->ShowAgain();
  } else if (window == &list) {
    SetFocus(&menu);
    menu.SetCursorIndex(0);
  } else if (window == &targetWindow) {
    targetWindow.SetVisible(0);
    SetFocus(&list);
  }
}
