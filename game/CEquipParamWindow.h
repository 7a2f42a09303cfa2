// The equipment screen's value window: the member's twelve values, and,
// while a candidate is highlighted, the same values with it in the current
// slot, gold where they would rise and grey where they would fall (the
// other way round for the weight).
#ifndef MOONLITCAIRN_CEQUIPPARAMWINDOW_H
#define MOONLITCAIRN_CEQUIPPARAMWINDOW_H

#include "CFrameWindow.h"

class CEquipWindow;
class CPlayerParty;

class CEquipParamWindow : public CFrameWindow {
 public:
  CEquipParamWindow();

  // At (150, 85), 170 x 155; 1 when the skin was copied.
  int Init(CPlayerParty* memberParty, CEquipWindow* screen);
  void Draw() override;

  CPlayerParty* party = nullptr;
  CEquipWindow* owner = nullptr;
};

#endif
