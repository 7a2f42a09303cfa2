#include "CBattleCmdSubWindow.h"

#include "BattleAction.h"
#include "CBattleCmdWindow.h"
#include "CCoWndManager.h"
#include "CManipulator.h"

CBattleCmdSubWindow::CBattleCmdSubWindow() = default;

CBattleCmdSubWindow::CBattleCmdSubWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CBattleCmdSubWindow::Init(CCoWndManager* newOwner) {
  owner = newOwner;
  x = 115;
  y = 170;
  width = 90;
  height = 55;
  const int skin = CopyWindowSkin();
  ClearItems();
  const int commands[] = {CMD_DEFEND, CMD_PASS, CMD_CHANGE};
  for (int i = 0; i < 3; ++i) {
    AddItem(commands[i], 1, 10, 8 + 15 * i, GetBattleCommandName(commands[i]), 0, 0);
  }
  return skin;
}

void CBattleCmdSubWindow::Control(const CManipulator& keyboard) {
  // A hidden menu may still be the focused one (the battle hides the
  // command menu once an attack is chosen); it takes no keys.
  if (!visible) {
    CFrameWindow::Update();
    return;
  }
  CMenuWindow::Control(keyboard);
  if (!active || !visible || owner == nullptr) return;
  if (keyboard.IsTriggered(KEY_LEFT)) {
    SetVisible(0);
    for (CFrameWindow* window : owner->windows) {
      if (auto* command = dynamic_cast<CBattleCmdWindow*>(window)) {
        owner->SetFocus(command);
        break;
      }
    }
    return;
  }
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (active && keyboard.IsTriggered(KEY_X) && index >= 0 && index < GetItemCount()) {
    owner->OnSelect(this, entries[index]->id);
  }
}
