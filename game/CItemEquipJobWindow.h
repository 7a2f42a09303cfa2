// The item screen's window for a weapon or armour: which of the four jobs
// may equip it. It takes the focus without entries, so X or Z closes it.
#ifndef MOONLITCAIRN_CITEMEQUIPJOBWINDOW_H
#define MOONLITCAIRN_CITEMEQUIPJOBWINDOW_H

#include "CMenuWindow.h"
#include "GameData.h"

class CCoWndManager;

class CItemEquipJobWindow : public CMenuWindow {
 public:
  CItemEquipJobWindow();
  explicit CItemEquipJobWindow(CCursor* sharedCursor);

  // At (0, 73), 320 x 167; 1 when the skin was copied.
  int Init(CCoWndManager* screen);
  // The window shows no cursor, also while it has the focus.
  void SetVisible(int v) override;
  void SetActive(int a) override;
  void Control(const CManipulator& keyboard) override;
  void Draw() override;

  CCoWndManager* owner = nullptr;
  // A copy of the item shown; id 0 while none is.
  ItemData item{};
};

#endif
