#include "CStatusWindow.h"

#include <stdio.h>

#include "CManipulator.h"
#include "CPlayerParty.h"
#include "CSubScreenOwner.h"

CStatusWindow::CStatusWindow() = default;

int CStatusWindow::Init(CPlayerParty* newParty, CSubScreenOwner* newOwner) {
  party = newParty;
  owner = newOwner;
  values.Init(this, party);
  command.Init();
  tag.x = 250;
  tag.y = 0;
  tag.width = 70;
  tag.height = 28;
  tag.textX = 8;
  snprintf(tag.text, sizeof tag.text, "%s", "ステータス");
  tag.CopyWindowSkin();
  windows.clear();
  windows.push_back(&values);
  windows.push_back(&command);
  windows.push_back(&tag);
  return 1;
}

int CStatusWindow::Load() { return 0; }

void CStatusWindow::Release() {}

void CStatusWindow::Draw() {
  if (visible) CCoWndManager::Draw();
}

void CStatusWindow::Open(int member) {
  memberIndex = member;
  visible = 1;
  for (CFrameWindow* window : windows) window->SetVisible(1);
}

void CStatusWindow::Hide() {
  visible = 0;
  for (CFrameWindow* window : windows) window->SetVisible(0);
}

void CStatusWindow::Update(const CManipulator& keyboard) {
  if (!visible) return;
  Control(keyboard);
  if (keyboard.IsTriggered(KEY_Z)) {
    Hide();
    owner->ShowAgain();
  } else if (keyboard.IsTriggered(KEY_X)) {
    memberIndex = (memberIndex + 1) % kPartyMemberSlots;
  }
}

// The status screen has no menu that could report.
void CStatusWindow::OnSelect(CFrameWindow*, int) {}

void CStatusWindow::OnCancel(CFrameWindow*) {}
