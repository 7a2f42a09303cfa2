// The equipment screen's candidate list: the inventory stacks the member
// could put into the current slot, one entry each. The list never scrolls;
// more than ten candidates run past the window's bottom.
#ifndef MOONLITCAIRN_CEQUIPITEMLISTWINDOW_H
#define MOONLITCAIRN_CEQUIPITEMLISTWINDOW_H

#include <vector>

#include "CListWindow.h"

class CEquipWindow;
class CPlayerParty;
struct ItemData;
struct ItemStack;

class CEquipItemListWindow : public CListWindow {
 public:
  CEquipItemListWindow();
  explicit CEquipItemListWindow(CCursor* sharedCursor);

  // At (0, 85), 150 x 155; 1 when the skin and the arrows loaded.
  int Init(CPlayerParty* memberParty, CEquipWindow* screen);
  void Control(const CManipulator& keyboard) override;
  void Draw() override;

  // Refills the candidates for the screen's member and current slot. A
  // shorter list brings the cursor back onto its last entry.
  void SetItems();
  // No entries and no candidates.
  void ClearCandidates();
  // The item of the candidate under the cursor; null when there is none.
  const ItemData* GetSelectedItem() const;

  CEquipWindow* owner = nullptr;
  CPlayerParty* party = nullptr;
  std::vector<ItemStack*> candidates;  // the party's stacks, not owned
};

#endif
