// The equipment screen's slot window: the member's five equipment slots,
// picture, name and job. Moving its cursor chooses the slot being edited.
#ifndef MOONLITCAIRN_CEQUIPCHARWINDOW_H
#define MOONLITCAIRN_CEQUIPCHARWINDOW_H

#include "CMenuWindow.h"

class CEquipWindow;
class CPlayerParty;

class CEquipCharWindow : public CMenuWindow {
 public:
  CEquipCharWindow();
  explicit CEquipCharWindow(CCursor* sharedCursor);

  // At (0, 0), 320 x 85, one entry per slot; 1 when the skin was copied.
  int Init(CPlayerParty* memberParty, CEquipWindow* screen);
  void Control(const CManipulator& keyboard) override;
  // Also makes the index the screen's current slot and refills the
  // candidate list for it (or empties the list when removing).
  int SetCursorIndex(int i) override;
  void Draw() override;

  CEquipWindow* owner = nullptr;
  CPlayerParty* party = nullptr;
};

#endif
