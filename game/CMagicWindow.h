// The magic screen: one member's line and two menus of magic types that act
// as one column whose ends join. Choosing a type does nothing yet; Z on
// either menu closes the screen and shows its owner again.
#ifndef MOONLITCAIRN_CMAGICWINDOW_H
#define MOONLITCAIRN_CMAGICWINDOW_H

#include <stdint.h>

#include "CCoWndManager.h"
#include "CMagicCharWindow.h"
#include "CMagicDescWindow.h"
#include "CMagicListWindow.h"
#include "CMagicMainTypeMenuWindow.h"
#include "CMagicSubTypeMenuWindow.h"
#include "CTagWindow.h"

class CCursor;
class CManipulator;
class CPlayerParty;
class CSubScreenOwner;

class CMagicWindow : public CCoWndManager {
 public:
  explicit CMagicWindow(CCursor* sharedCursor);

  // Places the six windows and fills the list. Returns 1.
  int Init(CPlayerParty* newParty, CSubScreenOwner* newOwner);
  int Load() override;
  using CDrawable::Update;
  // While the screen is visible: the jumps between the two menus, else the
  // windows' control.
  void Update(const CManipulator& keyboard);
  // The windows while the screen is visible.
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  // Shows the screen for the member slot with the focus on the upper menu.
  void Open(int member);
  // Hides the screen and every window.
  void Hide();

  CPlayerParty* party = nullptr;
  CSubScreenOwner* owner = nullptr;
  int32_t memberIndex = 0;
  CTagWindow tag;
  CMagicDescWindow desc;
  CMagicCharWindow member;
  CMagicMainTypeMenuWindow mainMenu;
  CMagicSubTypeMenuWindow subMenu;
  CMagicListWindow spellList;
};

#endif
