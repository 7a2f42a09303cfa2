#include "CItemPartyWindow.h"

#include <stdio.h>

#include "CCoWndManager.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

CItemPartyWindow::CItemPartyWindow() = default;

CItemPartyWindow::CItemPartyWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CItemPartyWindow::Init(CPlayerParty* memberParty, CCoWndManager* screen) {
  party = memberParty;
  owner = screen;
  x = 10;
  y = 73;
  width = 300;
  height = 167;
  horizontal = 0;
  wrap = 1;
  const int skinned = CopyWindowSkin();
  ClearItems();
  for (int i = 0; i < kPartyMemberSlots; ++i) AddItem(i, 1, 10, 13 + 40 * i, "", 0, 0);
  SetCursorIndex(0);
  return skinned;
}

void CItemPartyWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active || !visible) return;
  const int slot = party->FindMemberSlot(index, keyboard.IsTriggered(KEY_UP) ? -1 : 1);
  if (slot >= 0) SetCursorIndex(slot);
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X) && slot >= 0) {
    owner->OnSelect(this, index);
  }
}

void CItemPartyWindow::Draw() {
  if (!visible) return;
  CMenuWindow::Draw();
  char text[64];
  for (int i = 0; i < kPartyMemberSlots; ++i) {
    const CPlayerChar* member = party->GetMember(i);
    if (member == nullptr) continue;
    const int rowY = y + 40 * i;
    member->battle.DrawFrameAt(x + 15, rowY + 9, 0);
    DrawStringDefaultFont(x + 45, rowY + 6, member->name[0] != '\0' ? member->name : "?",
                          COLOR_WHITE, 0);
    snprintf(text, sizeof text, "ＬＶ %4d", member->level);
    DrawStringDefaultFont(x + 210, rowY + 6, text, COLOR_WHITE, 0);
    DrawStringDefaultFont(x + 45, rowY + 30, JobName(member->job), COLOR_WHITE, 0);
    snprintf(text, sizeof text, "ＨＰ　%4d ／ %4d", member->hp, member->base.maxHp);
    DrawStringDefaultFont(x + 162, rowY + 18, text, COLOR_WHITE, 0);
    snprintf(text, sizeof text, "ＭＰ　%4d ／ %4d", member->mp, member->base.maxMp);
    DrawStringDefaultFont(x + 162, rowY + 30, text, COLOR_WHITE, 0);
  }
}
