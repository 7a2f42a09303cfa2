// The shop's party window: the members, those who may equip the highlighted
// weapon or armour drawn 20 pixels further left, and, while an amount is
// chosen for a purchase, stepping between two frames every 20 frames.
#ifndef MOONLITCAIRN_CSTOREPARTYWINDOW_H
#define MOONLITCAIRN_CSTOREPARTYWINDOW_H

#include <stdint.h>

#include "CFrameWindow.h"
#include "GameData.h"

class CPlayerParty;

class CStorePartyWindow : public CFrameWindow {
 public:
  CStorePartyWindow();

  // The delayed visibility and one frame of the blink.
  void Update() override;
  void Draw() override;

  // A weapon or armour becomes the target. A normal item leaves the target
  // as it was and, while the window is shown, is reported in an error box;
  // no item changes nothing.
  void SetTargetItem(const ItemData* item);

  int32_t blink = 0;  // 1 while an amount is chosen for a purchase
  const CPlayerParty* party = nullptr;
  const ItemData* target = nullptr;  // the shop's goods; null before any
  int32_t blinkFrame = 1;            // the battle frame of the blink: 1 or 10
  int32_t frameCounter = 0;
};

#endif
