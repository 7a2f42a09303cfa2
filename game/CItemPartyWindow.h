// The item screen's target window: the four member slots, one of which
// receives the item in use. The cursor only rests on slots with a member.
#ifndef MOONLITCAIRN_CITEMPARTYWINDOW_H
#define MOONLITCAIRN_CITEMPARTYWINDOW_H

#include "CMenuWindow.h"

class CCoWndManager;
class CPlayerParty;

class CItemPartyWindow : public CMenuWindow {
 public:
  CItemPartyWindow();
  explicit CItemPartyWindow(CCursor* sharedCursor);

  // At (10, 73), 300 x 167, with one entry per member slot; 1 when the skin
  // was copied.
  int Init(CPlayerParty* memberParty, CCoWndManager* screen);
  // UP and DOWN (wrapping), then off an empty slot: upwards when UP
  // triggered, else downwards, wrapping and at most once round the party.
  // X reports the slot only when it holds a member.
  void Control(const CManipulator& keyboard) override;
  void Draw() override;

  CCoWndManager* owner = nullptr;
  CPlayerParty* party = nullptr;
};

#endif
