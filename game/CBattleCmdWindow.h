// The battle's command menu: the commanding member's commands, one row each.
// RIGHT opens the sub-command menu; X and Z go to the owner (the battle),
// which decides what a command does.
#ifndef MOONLITCAIRN_CBATTLECMDWINDOW_H
#define MOONLITCAIRN_CBATTLECMDWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;
class CManipulator;

constexpr int kBattleCommandRows = 4;

class CBattleCmdWindow : public CMenuWindow {
 public:
  // Takes the game's shared cursor.
  CBattleCmdWindow();
  // For a battle built as a member of the game object.
  explicit CBattleCmdWindow(CCursor* sharedCursor);

  // Row i holds command i unless it is 0 (then the row stays empty).
  void SetCommands(const int32_t commands[kBattleCommandRows]);
  // While active and visible: UP and DOWN move the cursor; RIGHT shows the
  // sub-command menu of the owner's window list and focuses it; else Z
  // reports a cancel and X the command under the cursor to the owner.
  void Control(const CManipulator& keyboard) override;

  // The battle that gets the decisions; it places the window itself.
  CCoWndManager* owner = nullptr;
};

#endif
