// The camp's item screen: the inventory two slots to a row with the
// description of the item under the cursor, reordered by hand or sorted,
// the (empty) key items, the jobs that may equip a weapon or armour, and
// items used on a member.
#ifndef MOONLITCAIRN_CITEMWINDOW_H
#define MOONLITCAIRN_CITEMWINDOW_H

#include "CCoWndManager.h"
#include "CItemDescWindow.h"
#include "CItemEquipJobWindow.h"
#include "CItemListWindow.h"
#include "CItemMenuWindow.h"
#include "CItemPartyWindow.h"
#include "CTagWindow.h"
#include "GameData.h"

class CCursor;
class CPlayerParty;
class CSubScreenOwner;

class CItemWindow : public CCoWndManager {
 public:
  CItemWindow();
  // For a screen built before the game can be reached.
  explicit CItemWindow(CCursor* sharedCursor);

  // Places the six windows and lists them; returns 1.
  int Init(CSubScreenOwner* camp, CPlayerParty* itemParty);
  int Load() override;
  void Update() override;
  // The windows, only while the screen is shown.
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  // Shows the screen with the inventory at its top and the focus on its
  // first slot; the job and target windows stay hidden.
  void OpenFromCamp();
  // The screen's flag and every window's visibility.
  void Show(int v);

  CSubScreenOwner* owner = nullptr;
  CTagWindow titleTag;
  CItemMenuWindow menu;
  CItemDescWindow description;
  CItemListWindow list;
  CItemEquipJobWindow jobWindow;
  CItemPartyWindow targetWindow;
  // A copy of the item chosen for use, so that it outlives its stack.
  ItemData itemInUse{};
  CPlayerParty* party = nullptr;
};

#endif
