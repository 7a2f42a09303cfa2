#include "CMagicWindow.h"

#include "CManipulator.h"
#include "CSubScreenOwner.h"

CMagicWindow::CMagicWindow(CCursor* sharedCursor)
    : mainMenu(sharedCursor), subMenu(sharedCursor), spellList(sharedCursor) {}

int CMagicWindow::Init(CPlayerParty* newParty, CSubScreenOwner* newOwner) {
  party = newParty;
  owner = newOwner;
  tag.x = 0;
  tag.y = 0;
  tag.width = 70;
  tag.height = 28;
  tag.textX = 8;
  tag.text[0] = '\0';
  tag.CopyWindowSkin();
  desc.Init(this);
  member.Init(this, party);
  mainMenu.Init(this);
  subMenu.Init(this);
  spellList.Init(party, this);
  windows.clear();
  for (CFrameWindow* window : std::initializer_list<CFrameWindow*>{
           &tag, &desc, &member, &mainMenu, &subMenu, &spellList}) {
    windows.push_back(window);
  }
  return 1;
}

int CMagicWindow::Load() { return 0; }

void CMagicWindow::Release() {}

void CMagicWindow::Draw() {
  if (visible) CCoWndManager::Draw();
}

void CMagicWindow::Open(int newMember) {
  memberIndex = newMember;
  visible = 1;
  for (CFrameWindow* window : windows) window->SetVisible(1);
  spellList.SetVisible(0);
  SetFocus(&mainMenu);
}

void CMagicWindow::Hide() {
  visible = 0;
  for (CFrameWindow* window : windows) window->SetVisible(0);
}

void CMagicWindow::Update(const CManipulator& keyboard) {
  if (!visible) return;
  // The menus' indexes are read before either moves this frame.
  if (mainMenu.active) {
    if (keyboard.IsTriggered(KEY_DOWN) && mainMenu.index == mainMenu.GetItemCount() - 1) {
      SetFocus(&subMenu);
      return;
    }
    if (keyboard.IsTriggered(KEY_UP) && mainMenu.index == 0) {
      SetFocus(&subMenu);
      subMenu.SetCursorIndex(subMenu.GetItemCount() - 1);
      return;
    }
  }
  if (subMenu.active) {
    if (keyboard.IsTriggered(KEY_DOWN) && subMenu.index == subMenu.GetItemCount() - 1) {
      SetFocus(&mainMenu);
      mainMenu.SetCursorIndex(0);
      return;
    }
    if (keyboard.IsTriggered(KEY_UP) && subMenu.index == 0) {
      SetFocus(&mainMenu);
      mainMenu.SetCursorIndex(mainMenu.GetItemCount() - 1);
      return;
    }
  }
  Control(keyboard);
}

void CMagicWindow::OnSelect(CFrameWindow*, int) {}

void CMagicWindow::OnCancel(CFrameWindow* window) {
  if (window != &mainMenu && window != &subMenu) return;
  Hide();
  owner->ShowAgain();
}
