#include "CBattleCmdWindow.h"

#include "BattleAction.h"
#include "CBattleCmdSubWindow.h"
#include "CCoWndManager.h"
#include "CManipulator.h"

namespace {

constexpr int kEntryLeft = 10;
constexpr int kEntryTop = 8;
constexpr int kEntryStep = 15;

}  // namespace

CBattleCmdWindow::CBattleCmdWindow() = default;

CBattleCmdWindow::CBattleCmdWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

void CBattleCmdWindow::SetCommands(const int32_t commands[kBattleCommandRows]) {
  ClearItems();
  for (int i = 0; i < kBattleCommandRows; ++i) {
    if (commands[i] == 0) continue;
    AddItem(commands[i], 1, kEntryLeft, kEntryTop + kEntryStep * i,
            GetBattleCommandName(commands[i]), 0, 0);
  }
}

void CBattleCmdWindow::Control(const CManipulator& keyboard) {
  // A hidden menu may still be the focused one (the battle hides the
  // command menu once an attack is chosen); it takes no keys.
  if (!visible) {
    CFrameWindow::Update();
    return;
  }
  CMenuWindow::Control(keyboard);
  if (!active || !visible || owner == nullptr) return;
  if (keyboard.IsTriggered(KEY_RIGHT)) {
    // The sub-command menu is the battle's own, registered beside this one.
    for (CFrameWindow* window : owner->windows) {
      if (auto* sub = dynamic_cast<CBattleCmdSubWindow*>(window)) {
        sub->SetVisible(1);
        owner->SetFocus(sub);
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
