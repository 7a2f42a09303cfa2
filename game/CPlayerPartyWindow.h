// The battle's party window at the bottom right: each member's name, HP and
// time gauge, one row per member with no gaps for empty slots. Its update is
// what fills the members' time gauges.
#ifndef MOONLITCAIRN_CPLAYERPARTYWINDOW_H
#define MOONLITCAIRN_CPLAYERPARTYWINDOW_H

#include "CAtbGauge.h"
#include "CFrameWindow.h"
#include "CPlayerParty.h"

class CPlayerPartyWindow : public CFrameWindow {
 public:
  CPlayerPartyWindow();

  // Places the window and, for each member, its gauge in the member's row
  // with the gauge picture ("atb_gauge.png" of the system pictures) at 0;
  // 1 when the skin and every gauge picture loaded, else 0 (after the error
  // box for a missing picture).
  int Init(CPlayerParty* battleParty);
  // The delayed visibility; then each member's gauge takes one frame of its
  // battle sprite's fill, and the window's gauge shows it (0 to 100).
  void Update() override;
  // The frame while visible; the rows always.
  void Draw() override;
  // Frees the gauges' pictures.
  void Release() override;

  CAtbGauge gauges[kPartyMemberSlots];  // gauge i belongs to member slot i
  CPlayerParty* party = nullptr;
};

#endif
