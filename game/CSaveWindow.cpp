#include "CSaveWindow.h"

#include <stdio.h>

CSaveWindow::CSaveWindow() = default;

int CSaveWindow::Init(CPlayerParty* newParty, CSubScreenOwner* newOwner) {
  party = newParty;
  owner = newOwner;
  tag.x = 0;
  tag.y = 0;
  tag.width = 320;
  tag.height = 40;
  tag.textX = 120;
  snprintf(tag.text, sizeof tag.text, "%s", "セーブ");
  tag.CopyWindowSkin();
  windows.clear();
  windows.push_back(&tag);
  return 1;
}

int CSaveWindow::Load() { return 0; }

void CSaveWindow::Draw() {
  if (visible) CCoWndManager::Draw();
}

void CSaveWindow::Release() {}

void CSaveWindow::OnSelect(CFrameWindow*, int) {}

void CSaveWindow::OnCancel(CFrameWindow*) {}
