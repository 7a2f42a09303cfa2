// The camp's equipment screen for one member: equip a chosen item in a
// chosen slot, the strongest items everywhere, remove one item or all of
// them, with the member's values shown as they would be with the item under
// the cursor.
#ifndef MOONLITCAIRN_CEQUIPWINDOW_H
#define MOONLITCAIRN_CEQUIPWINDOW_H

#include <stdint.h>

#include "CCoWndManager.h"
#include "CEquipCharWindow.h"
#include "CEquipItemListWindow.h"
#include "CEquipMenuWindow.h"
#include "CEquipParamWindow.h"
#include "CTagWindow.h"

class CCursor;
class CPlayerChar;
class CPlayerParty;
class CSubScreenOwner;

class CEquipWindow : public CCoWndManager {
 public:
  CEquipWindow();
  // For a screen built before the game can be reached.
  explicit CEquipWindow(CCursor* sharedCursor);

  // Places the five windows and lists them; returns 1.
  int Init(CSubScreenOwner* camp, CPlayerParty* memberParty);
  int Load() override;
  void Update() override;
  // The windows, only while the screen is shown.
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  // Shows the screen for the member in the party slot, with the menu in the
  // top strip, no candidates and the focus on the menu.
  void OpenFromCamp(int member);
  // The screen's flag and every window's visibility.
  void Show(int v);
  // Every slot gets the candidate with the greatest key above 0 (attack
  // for weapons and shields, defence for the other armour; the earlier
  // candidate on a tie); a slot without one stays empty.
  void EquipStrongest();
  // Every slot's item goes back to the inventory.
  void RemoveAll();

  CSubScreenOwner* owner = nullptr;
  CPlayerParty* party = nullptr;
  CEquipCharWindow charWindow;
  CEquipItemListWindow itemList;
  CEquipParamWindow paramWindow;
  CEquipMenuWindow menu;
  CTagWindow titleTag;
  int32_t memberIndex = 0;
  int32_t currentSlot = 0;  // kept equal to the slot window's index

 private:
  CPlayerChar* Member() const;
  // Slot window and tag instead of the menu in the top strip.
  void EditSlots();
};

#endif
